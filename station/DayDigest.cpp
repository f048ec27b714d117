#include "station/DayDigest.h"

#include "platform/DateTime.h"
#include "platform/IntegerText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr int64_t MsPerMinute = 60000;
constexpr char Heading[] = "lagwatch day digest 2";

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// A short plain integer: an optional sign and at most ten digits.
bool PlainInteger(QByteArrayView text, std::optional<int32_t>& seconds)
{
    qsizetype i = text.size() > 0 && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (i == text.size() || text.size() - i > 10)
        return false;
    int64_t magnitude = 0;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9')
            return false;
        magnitude = magnitude * 10 + (text[k] - '0');
    }
    const int64_t value = text[0] == '-' ? -magnitude : magnitude;
    seconds.reset();
    if (value >= INT32_MIN && value <= INT32_MAX)
        seconds = static_cast<int32_t>(value);
    return true;
}

// The nominal time (0: none) and delay of a family's ledger line, exactly as
// ParseTimedLedgerLine reads them; false for a line that is no entry. The
// common line (fourteen digits, a blank, a name, '=' and a plain integer) is
// read from its bytes; any other through the line's text.
// name: the product's name, a view into the line or into nameRoom.
bool TimedFields(QByteArrayView line, int64_t& ms, std::optional<int32_t>& seconds, QByteArrayView* name = nullptr,
                 QByteArray* nameRoom = nullptr)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    if (name)
        *name = eq > 15 ? line.sliced(15, eq - 15) : QByteArrayView();
    int v[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    bool plain = eq > 15 && line[14] == ' ' && PlainInteger(line.sliced(eq + 1), seconds);
    for (int f = 0, at = 0; plain && f < 6; at += widths[f], ++f)
        plain = DigitsAt(line, at, widths[f], v[f]);
    if (!plain) {
        const std::optional<TLedgerEntry> entry = ParseTimedLedgerLine(QString::fromUtf8(line));
        ms = entry->Nominal == 0.0 ? 0 : DateTimeToUnixMs(entry->Nominal);
        seconds = entry->Seconds;
        if (name && nameRoom)
            *name = *nameRoom = entry->Name.toUtf8();
        return true;
    }
    // As FileNameToDateTime and ParseTimedLedgerLine compute it, step by step.
    TDateTime second = 0, date = 0, minute = 0, base = 0;
    if (!TryEncodeTime(0, 0, v[5], 0, second)) {
        ms = 0;
        return true;
    }
    if (TryEncodeDate(v[0], v[1], v[2], date)) {
        if (v[3] == 24 && v[4] == 0)
            base = date + 1;
        else if (TryEncodeTime(v[3], v[4], 0, 0, minute))
            base = date + minute;
    }
    const TDateTime nominal = base + second;
    ms = nominal == second ? 0 : DateTimeToUnixMs(nominal);
    return true;
}

// The order of a slot's files: by time, then measured before unmeasured,
// then the smaller delay.
bool GroupBefore(const TProductGroup& a, const TProductGroup& b)
{
    if (a.Ms != b.Ms)
        return a.Ms < b.Ms;
    if (a.Seconds.has_value() != b.Seconds.has_value())
        return a.Seconds.has_value();
    return a.Seconds && *a.Seconds < *b.Seconds;
}

bool ReadNumber(QByteArrayView text, qsizetype& at, int64_t& value)
{
    const char* begin = text.data() + at;
    const auto [end, problem] = std::from_chars(begin, text.data() + text.size(), value);
    if (problem != std::errc())
        return false;
    at += end - begin;
    return true;
}

bool Expect(QByteArrayView text, qsizetype& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

}  // namespace

std::vector<TProductGroup> ProductGroupsOf(const std::vector<TLedgerEntry>& entries)
{
    std::vector<TProductGroup> groups;
    groups.reserve(entries.size());
    for (const TLedgerEntry& entry : entries)
        if (entry.Nominal != 0.0)
            groups.push_back({DateTimeToUnixMs(entry.Nominal), entry.Seconds, 1, &entry});
    return groups;
}

int TDayDigest::ProductsInMinute(int64_t unixMinute) const
{
    const auto from = std::lower_bound(Groups.begin(), Groups.end(), unixMinute * MsPerMinute,
                                       [](const TProductGroup& g, int64_t ms) { return g.Ms < ms; });
    int products = 0;
    for (auto g = from; g != Groups.end() && FloorDiv(g->Ms, MsPerMinute) == unixMinute; ++g)
        products += g->Count;
    return products;
}

int TDayDigest::MostProductsAtOneTime() const
{
    int most = 0;
    for (size_t i = 0; i < Groups.size();) {
        int products = 0;
        const int64_t ms = Groups[i].Ms;
        for (; i < Groups.size() && Groups[i].Ms == ms; ++i)
            products += Groups[i].Count;
        most = std::max(most, products);
    }
    return most;
}

TDayDigest DigestOfLines(const TSortedStringList& lines, const TFilePattern* pattern)
{
    TDayDigest digest;
    digest.Lines = lines.Count();
    std::vector<TProductGroup> products;
    products.reserve(static_cast<size_t>(lines.Count()));
    QByteArrayView name;
    QByteArray nameRoom;
    for (int i = 0; i < lines.Count(); ++i) {
        TProductGroup product;
        if (!TimedFields(lines.GetUtf8(i), product.Ms, product.Seconds, pattern ? &name : nullptr, &nameRoom) ||
            product.Ms == 0)
            continue;
        if (pattern && !pattern->Admits(name, product.Ms))
            ++digest.Unmatched;
        else
            products.push_back(product);
    }
    std::sort(products.begin(), products.end(), GroupBefore);
    for (const TProductGroup& product : products) {
        if (!digest.Groups.empty() && digest.Groups.back().Ms == product.Ms &&
            digest.Groups.back().Seconds == product.Seconds)
            ++digest.Groups.back().Count;
        else
            digest.Groups.push_back(product);
    }
    return digest;
}

QByteArray EncodeDigest(const TDayDigest& digest, const TFileIdentity& source, uint64_t patternKey)
{
    // A line a nominal time: "MS DELAY*COUNT ..." ("U": no integer delay; "*1" left out).
    QByteArray text;
    char line[200];
    std::snprintf(line, sizeof line, "%s %llx %llu %llu %lld %lld %lld %d %d\n", Heading,
                  static_cast<unsigned long long>(patternKey), static_cast<unsigned long long>(source.Device),
                  static_cast<unsigned long long>(source.Inode), static_cast<long long>(source.Size),
                  static_cast<long long>(source.ModifiedSeconds), static_cast<long long>(source.ModifiedNanoseconds),
                  digest.Lines, digest.Unmatched);
    text += line;
    for (size_t i = 0; i < digest.Groups.size(); ++i) {
        const TProductGroup& g = digest.Groups[i];
        if (i == 0 || digest.Groups[i - 1].Ms != g.Ms) {
            if (i > 0)
                text += '\n';
            text += QByteArray::number(static_cast<qlonglong>(g.Ms));
        }
        text += ' ';
        text += g.Seconds ? QByteArray::number(*g.Seconds) : QByteArray("U");
        if (g.Count != 1)
            text += '*' + QByteArray::number(g.Count);
    }
    if (!digest.Groups.empty())
        text += '\n';
    text += "end\n";
    return text;
}

std::optional<TDayDigest> DecodeDigest(QByteArrayView text, const TFileIdentity& source, uint64_t patternKey)
{
    const qsizetype headingEnd = text.indexOf('\n');
    if (headingEnd < 0)
        return std::nullopt;
    TDayDigest digest;
    {
        char expected[200];
        std::snprintf(expected, sizeof expected, "%s %llx %llu %llu %lld %lld %lld ", Heading,
                      static_cast<unsigned long long>(patternKey), static_cast<unsigned long long>(source.Device),
                      static_cast<unsigned long long>(source.Inode), static_cast<long long>(source.Size),
                      static_cast<long long>(source.ModifiedSeconds),
                      static_cast<long long>(source.ModifiedNanoseconds));
        const QByteArrayView prefix(expected);
        if (!text.startsWith(prefix))
            return std::nullopt;
        qsizetype at = prefix.size();
        int64_t lines = 0, unmatched = 0;
        if (!ReadNumber(text, at, lines) || !Expect(text, at, ' ') || !ReadNumber(text, at, unmatched) ||
            at != headingEnd || lines < 0 || lines > INT32_MAX || unmatched < 0 || unmatched > lines)
            return std::nullopt;
        digest.Lines = static_cast<int>(lines);
        digest.Unmatched = static_cast<int>(unmatched);
    }
    qsizetype at = headingEnd + 1;
    while (at < text.size() && text[at] != 'e') {
        int64_t ms = 0;
        if (!ReadNumber(text, at, ms))
            return std::nullopt;
        do {
            TProductGroup g;
            g.Ms = ms;
            if (!Expect(text, at, ' '))
                return std::nullopt;
            if (!Expect(text, at, 'U')) {
                int64_t seconds = 0;
                if (!ReadNumber(text, at, seconds) || seconds < INT32_MIN || seconds > INT32_MAX)
                    return std::nullopt;
                g.Seconds = static_cast<int32_t>(seconds);
            }
            if (Expect(text, at, '*')) {
                int64_t count = 0;
                if (!ReadNumber(text, at, count) || count < 1 || count > INT32_MAX)
                    return std::nullopt;
                g.Count = static_cast<int>(count);
            }
            if (!digest.Groups.empty() && !GroupBefore(digest.Groups.back(), g))
                return std::nullopt;
            digest.Groups.push_back(g);
        } while (at < text.size() && text[at] == ' ');
        if (!Expect(text, at, '\n'))
            return std::nullopt;
    }
    if (text.sliced(at) != QByteArrayView("end\n"))
        return std::nullopt;
    return digest;
}
