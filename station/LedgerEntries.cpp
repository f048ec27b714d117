#include "station/LedgerEntries.h"

#include <algorithm>

TLedgerEntries::TLedgerEntries(const TSortedStringList& ledger, TLedgerNames names)
    : FLedger(ledger), FNames(names), FFirstParsed(ledger.Count())
{}

std::optional<TLedgerEntry> TLedgerEntries::Parse(int line) const
{
    return FNames == TLedgerNames::Timed ? ParseTimedLedgerLine(FLedger.Get(line)) : ParseLedgerLine(FLedger.Get(line));
}

void TLedgerEntries::ExtendTo(int firstLine)
{
    firstLine = std::max(0, firstLine);
    if (firstLine >= FFirstParsed)
        return;
    std::vector<TLedgerEntry> older;
    older.reserve(static_cast<size_t>(FFirstParsed - firstLine) + FEntries.size());
    for (int i = firstLine; i < FFirstParsed; ++i)
        if (std::optional<TLedgerEntry> entry = Parse(i)) {
            entry->Line = i;
            older.push_back(std::move(*entry));
        }
    older.insert(older.end(), std::make_move_iterator(FEntries.begin()), std::make_move_iterator(FEntries.end()));
    FEntries = std::move(older);
    FFirstParsed = firstLine;
}

bool TLedgerEntries::ExtendFurther()
{
    if (FFirstParsed == 0)
        return false;
    // Doubling keeps a walk to the ledger's first line linear.
    ExtendTo(FFirstParsed - std::max(64, ParsedLines()));
    return true;
}

std::vector<TLedgerEntry> TLedgerEntries::FromLine(int firstLine)
{
    ExtendTo(firstLine);
    const auto first = std::find_if(FEntries.begin(), FEntries.end(),
                                    [firstLine](const TLedgerEntry& e) { return e.Line >= firstLine; });
    return {first, FEntries.end()};
}

const TLedgerEntry* TLedgerEntries::NewestProduct(std::optional<TDateTime> now, int* future)
{
    size_t searched = 0;  // entries at the end already looked at
    if (future)
        *future = 0;
    do {
        for (size_t i = FEntries.size() - searched; i-- > 0;) {
            if (FEntries[i].Nominal == 0.0)
                continue;
            // Named in the future, so sorted after every present product.
            if (!now || !IsNamedInFuture(FEntries[i].Nominal, *now))
                return &FEntries[i];
            if (future)
                ++*future;
        }
        searched = FEntries.size();
    } while (ExtendFurther());
    return nullptr;
}

std::vector<TLedgerEntry> TLedgerEntries::Since(TDateTime since)
{
    size_t searched = 0;
    do {
        for (size_t i = FEntries.size() - searched; i-- > 0;)
            if (FEntries[i].Nominal != 0.0 && FEntries[i].Nominal < since)
                return {FEntries.begin() + static_cast<std::ptrdiff_t>(i), FEntries.end()};
        searched = FEntries.size();
    } while (ExtendFurther());
    return FEntries;
}

void TLedgerEntries::ForEachLine(const std::function<void(int line, const TLedgerEntry* entry)>& visit) const
{
    for (int i = 0; i < FFirstParsed; ++i) {
        const std::optional<TLedgerEntry> entry = Parse(i);
        visit(i, entry ? &*entry : nullptr);
    }
    auto next = FEntries.begin();
    for (int i = FFirstParsed; i < LineCount(); ++i) {
        const bool hasEntry = next != FEntries.end() && next->Line == i;
        visit(i, hasEntry ? &*next : nullptr);
        if (hasEntry)
            ++next;
    }
}
