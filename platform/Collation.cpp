#include "platform/Collation.h"

#include "platform/AsciiCase.h"
#include "platform/Utf8Text.h"
#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<QCollator>& CollatorSlot()
{
    static std::unique_ptr<QCollator> collator;
    return collator;
}

// Qt's collator for the C and POSIX locales compares plainly and its sort
// keys are the raw text, so case would count there. Those locales are what
// cron and service managers give, and they mean "no preference": use the
// locale-neutral root order, which English collation is (it adds no rules).
QLocale CollationLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}

QCollator& Collator()
{
    auto& slot = CollatorSlot();
    if (!slot) {
        slot = std::make_unique<QCollator>(CollationLocale());
        slot->setCaseSensitivity(Qt::CaseInsensitive);
        slot->setNumericMode(false);
        slot->setIgnorePunctuation(false);
    }
    return *slot;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareFolds(const QString& a, const QString& b) { return Sign(QString::compare(a, b, Qt::CaseInsensitive)); }

// Languages whose CLDR collation has no rule for a printable ASCII character:
// their tailorings (if any) concern other letters only, or reorder whole
// scripts, which leaves ASCII text in root order. Not here, for example:
// Czech, Slovak, Hungarian, Croatian, Welsh, Breton, Albanian (contractions
// such as "ch", "cs", "dzs", "c'h"), Lithuanian and Estonian (y and z moved),
// Danish (case first, "th"), Turkish (i and I are different letters).
bool LanguageLeavesAsciiAlone(QLocale::Language language)
{
    switch (language) {
    case QLocale::English:
    case QLocale::German:
    case QLocale::French:
    case QLocale::Italian:
    case QLocale::Dutch:
    case QLocale::Portuguese:
    case QLocale::Spanish:
    case QLocale::Swedish:
    case QLocale::Finnish:
    case QLocale::NorwegianBokmal:
    case QLocale::Polish:
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Greek:
        return true;
    default:
        return false;
    }
}

enum class TTableState { Unknown, None, Ready };

struct TTableSlot
{
    TTableState State = TTableState::Unknown;
    std::unique_ptr<TAsciiCollation> Table;
};

TTableSlot& TableSlot()
{
    static TTableSlot slot;
    return slot;
}

}  // namespace

// Lets the slot above construct the table (its constructor is private).
struct TAsciiCollationAccess
{
    static std::unique_ptr<TAsciiCollation> Make()
    {
        std::unique_ptr<TAsciiCollation> table(new TAsciiCollation);
        if (!table->Build())
            table.reset();
        return table;
    }
};

int CompareTextLocale(const QString& a, const QString& b)
{
    const int c = Sign(Collator().compare(a, b));
    return c != 0 ? c : CompareFolds(a, b);
}

int CompareTextLocaleExact(const QString& a, const QString& b)
{
    const int c = CompareTextLocale(a, b);
    return c != 0 ? c : Sign(QString::compare(a, b, Qt::CaseSensitive));
}

bool SameTextLocale(const QString& a, const QString& b) { return CompareTextLocale(a, b) == 0; }

int CompareUtf8Locale(QByteArrayView a, QByteArrayView b, bool exact)
{
    const auto aLength = static_cast<size_t>(a.size());
    const auto bLength = static_cast<size_t>(b.size());
    if (TAsciiCollation::IsEligible(a.data(), aLength) && TAsciiCollation::IsEligible(b.data(), bLength))
        if (const TAsciiCollation* table = TAsciiCollation::Current())
            return table->Compare(a.data(), aLength, b.data(), bLength, exact);
    const QString aText = Utf8ToString(a);
    const QString bText = Utf8ToString(b);
    return exact ? CompareTextLocaleExact(aText, bText) : CompareTextLocale(aText, bText);
}

TCollationKey::TCollationKey(const QString& text) : FKey(Collator().sortKey(text)) {}

int TCollationKey::Compare(const QString& ownText, const TCollationKey& other, const QString& otherText,
                           bool exactTieBreak) const
{
    int c = Sign(FKey.compare(other.FKey));
    if (c == 0)
        c = CompareFolds(ownText, otherText);
    if (c == 0 && exactTieBreak)
        c = Sign(QString::compare(ownText, otherText, Qt::CaseSensitive));
    return c;
}

const TAsciiCollation* TAsciiCollation::Current()
{
    TTableSlot& slot = TableSlot();
    if (slot.State == TTableState::Unknown) {
        if (LanguageLeavesAsciiAlone(CollationLocale().language()))
            slot.Table = TAsciiCollationAccess::Make();
        slot.State = slot.Table ? TTableState::Ready : TTableState::None;
    }
    return slot.Table.get();
}

bool TAsciiCollation::IsEligible(const char* text, size_t length)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    // Eight bytes at a time: a byte below 0x20 borrows into its top bit, one
    // above 0x7E carries into it (or has it already).
    constexpr uint64_t Ones = 0x0101010101010101ull;
    constexpr uint64_t Tops = 0x8080808080808080ull;
    for (; i + 8 <= length; i += 8) {
        uint64_t x;
        std::memcpy(&x, p + i, 8);
        const uint64_t below = (x - Ones * 0x20) & ~x & Tops;
        const uint64_t above = ((x + Ones * (0x7F - 0x7E)) | x) & Tops;
        if (below | above)
            return false;
    }
    // (c - 0x20) wraps below 0x20, so one test covers both ends.
    for (; i < length; ++i)
        if (static_cast<unsigned char>(p[i] - 0x20) > 0x5E)
            return false;
    return true;
}

int TAsciiCollation::Compare(const char* a, size_t aLength, const char* b, size_t bLength, bool exact) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto* q = reinterpret_cast<const unsigned char*>(b);
    const size_t n = std::min(aLength, bLength);
    int fold = 0;
    int raw = 0;
    // Lines of one list often share a long start: equal bytes decide
    // nothing, so they are passed over eight at a time.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t u, v;
        std::memcpy(&u, p + i, 8);
        std::memcpy(&v, q + i, 8);
        if (u != v)
            break;
    }
    for (; i < n; ++i) {
        const unsigned char x = p[i];
        const unsigned char y = q[i];
        if (x == y)
            continue;
        const uint8_t rx = FRank[x];
        const uint8_t ry = FRank[y];
        if (rx != ry)
            return rx < ry ? -1 : 1;
        if (fold == 0) {
            const unsigned char fx = LowerAscii(x);
            const unsigned char fy = LowerAscii(y);
            if (fx != fy)
                fold = fx < fy ? -1 : 1;
        }
        if (raw == 0)
            raw = x < y ? -1 : 1;
    }
    if (aLength != bLength)
        return aLength < bLength ? -1 : 1;
    if (fold != 0)
        return fold;
    return exact ? raw : 0;
}

uint64_t TAsciiCollation::PrefixKey(const char* text, size_t length, size_t from) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    uint64_t key = 0;
    if (from + 8 <= length) {
        // The common case, without a test for the end at each character.
        for (size_t i = 0; i < 8; ++i)
            key = key << 8 | FRank[p[from + i] & 0x7F];
        return key;
    }
    for (size_t i = 0; i < 8; ++i) {
        key <<= 8;
        if (from + i < length)
            key |= FRank[p[from + i]];
    }
    return key;
}

bool TAsciiCollation::Build()
{
    QCollator& collator = Collator();
    // The ranks: the 95 characters in the collator's order, equal ones sharing a rank.
    std::vector<char> chars;
    for (char c = 0x20; c <= 0x7E; ++c)
        chars.push_back(c);
    auto single = [](char c) { return QString(QChar(c)); };
    std::stable_sort(chars.begin(), chars.end(),
                     [&](char x, char y) { return collator.compare(single(x), single(y)) < 0; });
    uint8_t rank = 1;
    FRank[static_cast<unsigned char>(chars[0])] = rank;
    for (size_t i = 1; i < chars.size(); ++i) {
        const int c = Sign(collator.compare(single(chars[i - 1]), single(chars[i])));
        if (c > 0)
            return false;
        if (c < 0)
            ++rank;
        FRank[static_cast<unsigned char>(chars[i])] = rank;
    }

    // The check: every text of up to two characters, in the order the ranks
    // give, must stand in that order for the collator too, adjacent texts
    // equal exactly where their ranks are. As the collator's order is
    // transitive, this covers every pair of those texts. The texts are made
    // in that order: the empty one, then by the rank of the first character
    // the single characters before the pairs, the pairs by their second.
    std::vector<QByteArray> texts;
    texts.reserve(1 + 95 + 95 * 95);
    texts.emplace_back();
    for (size_t first = 0; first < chars.size();) {
        size_t end = first;
        while (end < chars.size() &&
               FRank[static_cast<unsigned char>(chars[end])] == FRank[static_cast<unsigned char>(chars[first])])
            ++end;
        for (size_t i = first; i < end; ++i)
            texts.emplace_back(1, chars[i]);
        for (const char second : chars)
            for (size_t i = first; i < end; ++i)
                texts.push_back(QByteArray(1, chars[i]) + second);
        first = end;
    }
    auto primary = [this](const QByteArray& a, const QByteArray& b) {
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            const uint8_t ra = FRank[static_cast<unsigned char>(a[i])];
            const uint8_t rb = FRank[static_cast<unsigned char>(b[i])];
            if (ra != rb)
                return ra < rb ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    };
    QString previous;
    for (size_t i = 0; i < texts.size(); ++i) {
        QString current = QString::fromLatin1(texts[i]);
        if (i > 0 && Sign(collator.compare(previous, current)) != primary(texts[i - 1], texts[i]))
            return false;
        previous = std::move(current);
    }
    return true;
}

void ResetCollation()
{
    CollatorSlot().reset();
    TableSlot() = TTableSlot{};
}
