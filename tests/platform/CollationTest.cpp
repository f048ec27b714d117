// The ASCII fast path of the collation against the collator itself, on a
// large random sample of realistic and hostile lines, in many locales: the
// ones that get the fast path and the ones that must not.
#include "platform/Collation.h"
#include "platform/SortedStringList.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <random>

namespace {

// Pins a locale for collation and restores the previous one afterwards.
class TLocaleScope
{
public:
    explicit TLocaleScope(const QLocale& locale) : FPrevious(QLocale())
    {
        QLocale::setDefault(locale);
        ResetCollation();
    }
    ~TLocaleScope()
    {
        QLocale::setDefault(FPrevious);
        ResetCollation();
    }

private:
    QLocale FPrevious;
};

// Lines as ledgers and folders hold them, and lines made to break a table:
// every printable ASCII character, both cases, digits, punctuation, control
// characters, letters beyond ASCII, and near-equal pairs.
class TLineMaker
{
public:
    explicit TLineMaker(unsigned seed) : FRandom(seed) {}

    int Pick(int n) { return static_cast<int>(FRandom() % static_cast<unsigned>(n)); }

    QString Realistic()
    {
        QString name = QString::asprintf("%04d%02d%02d%02d%02d", 1990 + Pick(40), 1 + Pick(12), 1 + Pick(28), Pick(25),
                                         Pick(4) * 15);
        const char* const tails[] = {"-crm.grb", "-CRM.GRB", "-Crm.grb", "-crm.grb.tmp", "-abc.grb", "_crm.grb", ""};
        name += QLatin1String(tails[Pick(7)]);
        if (Pick(5) == 0)
            return name;
        return name + QLatin1Char('=') + QString::number(Pick(20000) - 10000);
    }

    QString Hostile(bool asciiOnly)
    {
        static const char16_t extra[] = {0x00E9, 0x00C9, 0x00DF, 0x00F8, 0x00E5, 0x00C5, 0x0131, 0x0130, 0x0141,
                                         0x00F1, 0x0436, 0x0416, 0x03B1, 0x0391, 0x4E2D, 0x212A, 0x0301, 0x00A0};
        static const char16_t controls[] = {0x01, 0x09, 0x0B, 0x1F, 0x7F};
        QString out;
        const int length = Pick(14);
        for (int i = 0; i < length; ++i) {
            const int kind = asciiOnly ? 0 : Pick(10);
            if (kind <= 6)
                out += QChar(char16_t(0x20 + Pick(95)));
            else if (kind == 7)
                out += QChar(extra[Pick(sizeof extra / sizeof extra[0])]);
            else if (kind == 8)
                out += QChar(controls[Pick(sizeof controls / sizeof controls[0])]);
            else
                out += QString::fromUcs4(U"\U0001F600", 1);
        }
        return out;
    }

    // A variant of a line: one character's case flipped, one replaced, one
    // added or removed, a prefix, or the line itself.
    QString Near(const QString& line)
    {
        QString out = line;
        const int at = out.isEmpty() ? 0 : Pick(static_cast<int>(out.size()));
        switch (Pick(6)) {
        case 0:
            if (!out.isEmpty())
                out[at] = out[at].isUpper() ? out[at].toLower() : out[at].toUpper();
            break;
        case 1:
            if (!out.isEmpty())
                out[at] = QChar(char16_t(0x20 + Pick(95)));
            break;
        case 2:
            out.insert(at, QChar(char16_t(0x20 + Pick(95))));
            break;
        case 3:
            if (!out.isEmpty())
                out.remove(at, 1);
            break;
        case 4:
            out.truncate(at);
            break;
        default:
            break;
        }
        return out;
    }

    QString Any()
    {
        switch (Pick(4)) {
        case 0:
            return Realistic();
        case 1:
            return Hostile(true);
        case 2:
            return Hostile(false);
        default:
            return Near(Realistic());
        }
    }

private:
    std::mt19937 FRandom;
};

bool IsPrintableAscii(const QString& s)
{
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

// Every comparison the fast path can make must be the collator's, exactly.
void CheckAgainstCollator(const char* label, unsigned seed, int pairs)
{
    const TAsciiCollation* table = TAsciiCollation::Current();
    TLineMaker make(seed);
    int checked = 0;
    for (int i = 0; i < pairs; ++i) {
        const QString a = i % 2 ? make.Realistic() : make.Hostile(true);
        const QString b = i % 3 == 0 ? make.Near(a) : (i % 3 == 1 ? make.Realistic() : make.Hostile(true));
        const QByteArray x = a.toUtf8();
        const QByteArray y = b.toUtf8();
        const int expected = CompareTextLocale(a, b);
        const int expectedExact = CompareTextLocaleExact(a, b);
        ASSERT_EQ(CompareUtf8Locale(x, y, false), expected)
            << label << ": [" << x.toStdString() << "] [" << y.toStdString() << "]";
        ASSERT_EQ(CompareUtf8Locale(x, y, true), expectedExact)
            << label << ": [" << x.toStdString() << "] [" << y.toStdString() << "]";
        if (!table)
            continue;
        ASSERT_EQ(table->Compare(x.data(), x.size(), y.data(), y.size(), false), expected)
            << label << ": [" << x.toStdString() << "] [" << y.toStdString() << "]";
        ASSERT_EQ(table->Compare(x.data(), x.size(), y.data(), y.size(), true), expectedExact)
            << label << ": [" << x.toStdString() << "] [" << y.toStdString() << "]";
        for (size_t from : {size_t(0), size_t(8)}) {
            const uint64_t kx = table->PrefixKey(x.data(), x.size(), from);
            const uint64_t ky = table->PrefixKey(y.data(), y.size(), from);
            if (from == 0 && kx != ky) {
                ASSERT_EQ(kx < ky ? -1 : 1, expected)
                    << label << ": keys of [" << x.toStdString() << "] [" << y.toStdString() << "]";
            }
        }
        ++checked;
    }
    if (table) {
        EXPECT_EQ(checked, pairs) << label;
    }
}

struct TLocaleCase
{
    QLocale Locale;
    bool FastPath;  // whether the table is expected
};

const TLocaleCase Cases[] = {
    {QLocale(QLocale::English, QLocale::UnitedStates), true}, {QLocale(QLocale::English, QLocale::UnitedKingdom), true},
    {QLocale(QLocale::German, QLocale::Germany), true},       {QLocale(QLocale::French, QLocale::Canada), true},
    {QLocale(QLocale::Spanish, QLocale::Spain), true},        {QLocale(QLocale::Swedish, QLocale::Sweden), true},
    {QLocale(QLocale::Polish, QLocale::Poland), true},        {QLocale(QLocale::Russian, QLocale::Russia), true},
    {QLocale(QLocale::Greek, QLocale::Greece), true},         {QLocale(QLocale::Czech, QLocale::CzechRepublic), false},
    {QLocale(QLocale::Hungarian, QLocale::Hungary), false},   {QLocale(QLocale::Danish, QLocale::Denmark), false},
    {QLocale(QLocale::Turkish, QLocale::Turkey), false},      {QLocale(QLocale::Lithuanian, QLocale::Lithuania), false},
    {QLocale(QLocale::Welsh, QLocale::UnitedKingdom), false}, {QLocale(QLocale::Breton, QLocale::France), false},
    {QLocale(QLocale::Croatian, QLocale::Croatia), false},    {QLocale(QLocale::Japanese, QLocale::Japan), false},
};

TEST(AsciiCollation, TheProcessLocaleAgreesWithTheCollator)
{
    // C, C.UTF-8, no locale and en_US.UTF-8, as CTest runs this suite: the
    // C locales collate as English and get the fast path.
    ResetCollation();
    EXPECT_NE(TAsciiCollation::Current(), nullptr);
    CheckAgainstCollator("process locale", 1, 50000);
}

TEST(AsciiCollation, EveryLocaleAgreesWithTheCollator)
{
    unsigned seed = 100;
    for (const TLocaleCase& c : Cases) {
        const TLocaleScope scope(c.Locale);
        const std::string label = c.Locale.name().toStdString();
        EXPECT_EQ(TAsciiCollation::Current() != nullptr, c.FastPath) << label;
        CheckAgainstCollator(label.c_str(), ++seed, 12000);
    }
}

TEST(AsciiCollation, LocalesWithAsciiRulesKeepThem)
{
    // The reasons some languages get no table: their collation orders ASCII
    // otherwise, and that order must survive.
    struct TOrder
    {
        QLocale Locale;
        const char* Before;
        const char* After;
    };
    const TOrder orders[] = {
        {QLocale(QLocale::Czech, QLocale::CzechRepublic), "hz", "ch"},   // ch after h
        {QLocale(QLocale::Lithuanian, QLocale::Lithuania), "y", "j"},    // y beside i
        {QLocale(QLocale::Hungarian, QLocale::Hungary), "cz", "cs"},     // cs after c
        {QLocale(QLocale::Welsh, QLocale::UnitedKingdom), "cz", "ch"},   // ch after c
        {QLocale(QLocale::English, QLocale::UnitedStates), "ch", "cz"},  // and in English not
    };
    for (const TOrder& o : orders) {
        const TLocaleScope scope(o.Locale);
        EXPECT_LT(CompareUtf8Locale(o.Before, o.After, false), 0) << o.Locale.name().toStdString();
        EXPECT_LT(CompareTextLocale(QString::fromLatin1(o.Before), QString::fromLatin1(o.After)), 0)
            << o.Locale.name().toStdString();
    }
}

// Sorting through the list gives the collator's order in every locale, with
// the fast path and the collator mixed (lines of any kind).
TEST(AsciiCollation, ListOrderIsTheCollatorsWithAnyLines)
{
    unsigned seed = 500;
    for (const TLocaleCase& c : Cases) {
        const TLocaleScope scope(c.Locale);
        const std::string label = c.Locale.name().toStdString();
        TLineMaker make(++seed);
        QStringList lines;
        while (lines.size() < 1000) {
            const QString line = lines.size() % 7 == 0 && !lines.isEmpty()
                                     ? make.Near(lines[make.Pick(static_cast<int>(lines.size()))])
                                     : make.Any();
            // A variant may split a surrogate pair; such text has no UTF-8 form.
            if (QString::fromUtf8(line.toUtf8()) == line)
                lines.append(line);
        }
        for (const auto duplicates :
             {TSortedStringList::TDuplicates::IgnoreCase, TSortedStringList::TDuplicates::ExactOnly}) {
            const bool exact = duplicates == TSortedStringList::TDuplicates::ExactOnly;
            TSortedStringList list(duplicates);
            list.Assign(lines);
            const QStringList sorted = list.ToStringList();
            for (qsizetype i = 1; i < sorted.size(); ++i)
                ASSERT_LT(exact ? CompareTextLocaleExact(sorted[i - 1], sorted[i])
                                : CompareTextLocale(sorted[i - 1], sorted[i]),
                          0)
                    << label << " at " << i;
            // Every line is there, or one equal to it that came first.
            for (const QString& line : lines) {
                const int at = list.IndexOf(line);
                ASSERT_GE(at, 0) << label;
                ASSERT_EQ(exact ? CompareTextLocaleExact(list.Get(at), line) : CompareTextLocale(list.Get(at), line), 0)
                    << label;
            }
        }
    }
}

TEST(AsciiCollation, EligibleMeansPrintableAsciiOnly)
{
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        for (int length : {1, 9, 17}) {
            QByteArray text(length, 'a');
            text[length - 1] = ch;
            EXPECT_EQ(TAsciiCollation::IsEligible(text.data(), text.size()), c >= 0x20 && c <= 0x7E)
                << c << " " << length;
            if (length == 1)
                continue;
            text[0] = ch;
            text[length - 1] = 'a';
            EXPECT_EQ(TAsciiCollation::IsEligible(text.data(), text.size()), c >= 0x20 && c <= 0x7E)
                << c << " " << length;
        }
    }
    EXPECT_TRUE(TAsciiCollation::IsEligible("", 0));
    EXPECT_TRUE(IsPrintableAscii(QStringLiteral(" ~")));
}

}  // namespace
