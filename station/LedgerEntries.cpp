#include "station/LedgerEntries.h"

#include "platform/DateTime.h"

#include <algorithm>
#include <cmath>

TLedgerEntries::TLedgerEntries(const TSortedStringList& ledger, TLedgerNames names, const TFilePattern* pattern)
    : FLedger(ledger), FNames(names), FPattern(pattern), FFirstParsed(ledger.Count())
{}

std::optional<TLedgerEntry> TLedgerEntries::Parse(int line) const
{
    if (FNames != TLedgerNames::Timed)
        return ParseLedgerLine(FLedger.Get(line));
    std::optional<TLedgerEntry> entry = ParseTimedLedgerLine(FLedger.Get(line));
    if (entry && FPattern && entry->Nominal != 0.0 &&
        !FPattern->Admits(entry->Name.toUtf8(), DateTimeToUnixMs(entry->Nominal)))
        return std::nullopt;
    return entry;
}

namespace {

bool Digits(const char* p, int count, int& value)
{
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        value = value * 10 + (p[i] - '0');
    }
    return true;
}

// FileNameToDateTime of a name that begins with 12 ASCII digits; false for
// any other name, which is left to it.
bool DigitsDateTime(const char* p, TDateTime& result)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!Digits(p, 4, year) || !Digits(p + 4, 2, month) || !Digits(p + 6, 2, day) || !Digits(p + 8, 2, hour) ||
        !Digits(p + 10, 2, minute))
        return false;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date))
        result = 0;
    else if (hour == 24 && minute == 0)
        result = date + 1;
    else
        result = TryEncodeTime(hour, minute, 0, 0, time) ? date + time : 0;
    return true;
}

// The nominal time is later than until, as the completeness figures compare
// them: to the millisecond.
bool Later(TDateTime nominal, TDateTime until)
{
    return std::isfinite(until) && DateTimeToUnixMs(nominal) > DateTimeToUnixMs(until);
}

}  // namespace

TDateTime TLedgerEntries::NominalOf(int line) const
{
    const QByteArrayView text = FLedger.GetUtf8(line);
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return 0;
    TDateTime nominal = 0;
    if (FNames == TLedgerNames::Product) {
        if (eq >= 12 && DigitsDateTime(text.data(), nominal))
            return nominal;
    } else {
        // "YYYYMMDDHHMMSS name": a valid time and second, else Parse decides.
        int second = 0;
        TDateTime time = 0;
        if (eq > 15 && text[14] == ' ' && Digits(text.data() + 12, 2, second) && DigitsDateTime(text.data(), nominal) &&
            nominal != 0 && TryEncodeTime(0, 0, second, 0, time))
            return nominal + time;
    }
    const std::optional<TLedgerEntry> entry = Parse(line);
    return entry ? entry->Nominal : 0;
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

std::vector<TLedgerEntry> TLedgerEntries::Since(TDateTime since, TDateTime until)
{
    // From the end back, by the lines' times alone: past the products later
    // than until, then to the newest product older than since.
    int stop = LineCount();
    int first = 0;
    bool reached = false;  // a product not later than until
    for (int i = LineCount() - 1; i >= 0; --i) {
        const TDateTime nominal = NominalOf(i);
        if (nominal == 0.0)
            continue;
        if (!reached && Later(nominal, until)) {
            stop = i;
            continue;
        }
        reached = true;
        if (nominal < since) {
            first = i;
            break;
        }
    }
    std::vector<TLedgerEntry> entries;
    if (stop > FFirstParsed || stop == LineCount()) {
        // Where the lines read from the end reach: read on to the first.
        ExtendTo(first);
        for (const TLedgerEntry& entry : FEntries)
            if (entry.Line >= first && entry.Line < stop)
                entries.push_back(entry);
        return entries;
    }
    for (int i = first; i < stop; ++i)
        if (std::optional<TLedgerEntry> entry = Parse(i)) {
            entry->Line = i;
            entries.push_back(std::move(*entry));
        }
    return entries;
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
