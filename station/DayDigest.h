#pragma once
// What the completeness figures read of a family's ledger day, without the
// names: for each nominal time of the day's products, how many arrived with
// each delay. A day's digest is kept beside its day file with the identity
// of the file it was made from (FamilyDayLedger.h), so that a month's figures
// read thirty small digests instead of thirty days of lines, and a digest
// whose day file has changed since is made anew.
#include "platform/FileIdentity.h"
#include "platform/SortedStringList.h"
#include "station/FilePattern.h"
#include "station/ProductFile.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

class TLedgerEntries;

// Products of one nominal time with one delay (none: the value is no integer).
struct TProductGroup
{
    int64_t Ms = 0;  // the nominal time, milliseconds since 1970-01-01 UTC
    std::optional<int32_t> Seconds;
    int Count = 1;
    // The entry, when the group is one product read with its name; else null.
    const TLedgerEntry* Entry = nullptr;
};

// A group of one for each entry that names a product time, in the entries' order.
std::vector<TProductGroup> ProductGroupsOf(const std::vector<TLedgerEntry>& entries);

struct TDayDigest
{
    int Lines = 0;  // the day file's lines
    int Unmatched = 0;  // of them, products the family's current pattern no longer matches
    // By nominal time, then measured delays ascending, then the unmeasured:
    // the order in which a slot's files complete it.
    std::vector<TProductGroup> Groups;

    // The products of the nominal minute (minutes since 1970-01-01 UTC).
    int ProductsInMinute(int64_t unixMinute) const;
    // The largest number of products that share a nominal time.
    int MostProductsAtOneTime() const;
};

// Each line read as a family's ledger line (ParseTimedLedgerLine); with a
// pattern, only the products it admits (TFilePattern::Admits).
TDayDigest DigestOfLines(const TSortedStringList& lines, const TFilePattern* pattern = nullptr);

// The digest as text, headed by the identity of its day file and the key of
// the pattern it was made with (0: none); Decode gives nothing for a text
// that is not one whole digest of that very file under that pattern.
QByteArray EncodeDigest(const TDayDigest& digest, const TFileIdentity& source, uint64_t patternKey = 0);
std::optional<TDayDigest> DecodeDigest(QByteArrayView text, const TFileIdentity& source, uint64_t patternKey = 0);

// The days whose folder a walk could not list (whole days of TDateTime):
// their slots are not known to be missing. All: the family's one flat folder.
struct TUnlistedDays
{
    bool All = false;
    std::set<int64_t> Days;
    bool Holds(int64_t day) const { return All || Days.count(day) != 0; }
};

// What the figures of a family read of its ledger: the lines of its newest
// days, whole (the chart, the newest product), and either the digests of
// every day of the month, oldest first, which the completeness figures then
// read alone, or none: the figures read the entries (and name the product
// of every slot).
struct TLedgerView
{
    TLedgerEntries* Entries = nullptr;
    std::vector<const TDayDigest*> Days;
    // The ledger keeps days older than the month read.
    bool HoldsOlder = false;
    // The lines of the month read (digested or whole).
    int Lines = 0;
    // Products of the days after the entries' last, all named in the future.
    int FutureProducts = 0;
    // What the walk could not list; null: it listed all it looked at.
    const TUnlistedDays* Unlisted = nullptr;
};
