#pragma once
// The ledger's lines read as entries for the reports, parsed from the end
// backwards only as far as a reader asks: the chart wants the newest 46
// lines, the check the newest product, the completeness figures a month,
// and only the CSV every line. No line is parsed twice in a run, and a big
// ledger's old years cost nothing; nor do products dated after the month
// the figures read (a ledger carried over from a clock set wrong), whose
// times alone are read, from the bytes.
#include "platform/SortedStringList.h"
#include "station/FilePattern.h"
#include "station/ProductFile.h"

#include <functional>
#include <limits>
#include <optional>
#include <vector>

// How a ledger's lines name their products: the CRM ledger's "name=seconds",
// whose names begin with their time, or a family ledger's lines, which begin
// with the nominal time (ParseTimedLedgerLine).
enum class TLedgerNames { Product, Timed };

class TLedgerEntries
{
public:
    // The ledger must outlive this object and stay as it is.
    // pattern: a family's current rules; a line whose product they do not
    // match (a narrowed pattern) is no entry. It must outlive this object.
    explicit TLedgerEntries(const TSortedStringList& ledger, TLedgerNames names = TLedgerNames::Product,
                            const TFilePattern* pattern = nullptr);

    const TSortedStringList& Ledger() const { return FLedger; }
    int LineCount() const { return FLedger.Count(); }

    // The entries of the lines from firstLine to the last, in ledger order.
    std::vector<TLedgerEntry> FromLine(int firstLine);

    // The last entry whose name is a product time (the ledger's order is the
    // products' order in time); null when there is none. Valid until the
    // next call that reads further back. With now, the last that is not named
    // in the future (IsNamedInFuture), counting in *future those that are.
    const TLedgerEntry* NewestProduct(std::optional<TDateTime> now = std::nullopt, int* future = nullptr);

    // Every entry from the newest product older than `since` (from the first
    // line when no product is older) up to the first product later than
    // `until`, to the millisecond (to the end when none is): the products of
    // `since` and later, and the one before them, which shows how far back
    // the ledger reaches.
    std::vector<TLedgerEntry> Since(TDateTime since, TDateTime until = std::numeric_limits<double>::infinity());

    // Every line in order, with its entry (null for a line without a value);
    // lines not parsed yet are parsed on the way and not kept.
    void ForEachLine(const std::function<void(int line, const TLedgerEntry* entry)>& visit) const;

    // How many lines have been parsed so far (for tests and benchmarks).
    int ParsedLines() const { return LineCount() - FFirstParsed; }

private:
    // Parses back at least to firstLine.
    void ExtendTo(int firstLine);
    // Parses back about as far again as has been parsed; false at line 0.
    bool ExtendFurther();

    std::optional<TLedgerEntry> Parse(int line) const;
    // The nominal time Parse gives the line (0: none, nor for a line
    // without a value), without a QString where the name allows.
    TDateTime NominalOf(int line) const;

    const TSortedStringList& FLedger;
    TLedgerNames FNames;
    const TFilePattern* FPattern;
    std::vector<TLedgerEntry> FEntries;  // of the lines FFirstParsed .. LineCount() - 1
    int FFirstParsed;
};
