// The limits' table against what is made from it: the switches and --help,
// the families file's keys, the overrides, the one number grammar and the one
// pair check.
#include "app/CommandLine.h"
#include "station/Families.h"
#include "station/FamilyLimits.h"

#include <gtest/gtest.h>

namespace {

const QString Section = QStringLiteral("[a]\npattern = a{time:%Y%j}\n");

// The limits of family a with key = value, or none, with error, when refused.
std::optional<TFamilyLimits> FromFile(const char* key, const QString& value, QString& error)
{
    const auto families = ParseFamilies(Section + QLatin1String(key) + " = " + value + "\n", "f", error);
    return families ? std::optional(families->back().Limits) : std::nullopt;
}

TEST(LimitsTable, EveryRowIsASwitchAKeyAndAnOverrideWithItsDefaultInTheHelp)
{
    const QString help = SwitchHelp().simplified();
    for (const TLimitRow& row : LimitRows()) {
        SCOPED_TRACE(row.Key);
        const TSwitch* s = FindSwitch(QString::fromLatin1(row.Key), true);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Value, QLatin1String(row.Value));
        EXPECT_EQ(row.Of(TFamilyLimits()), row.Default);
        const QString entry = QStringLiteral("-%1=%2 %3 (default %4)")
                                  .arg(QLatin1String(row.Key), QLatin1String(row.Value), QLatin1String(row.Help),
                                       FormatLimit(row.Default));
        EXPECT_TRUE(help.contains(entry)) << qPrintable(entry);

        // A value above the default stays below every pair's default.
        const double value = row.Default + 1;
        QString error;
        const std::optional<TFamilyLimits> file = FromFile(row.Key, FormatLimit(value), error);
        ASSERT_TRUE(file) << qPrintable(error);
        const TParsedCommandLine line = ParseCommandLine({QLatin1Char('-') + QLatin1String(row.Key) + '=' +
                                                          FormatLimit(value)});
        ASSERT_EQ(line.Error, QString());
        std::vector<TFamily> families{TFamily()};
        ApplyOverrides(families, {line.Line.Limits, line.Line.Given, {}});
        for (const TLimitRow& other : LimitRows()) {
            const double expected = &other == &row ? value : other.Default;
            EXPECT_EQ(other.Of(*file), expected) << other.Key;
            EXPECT_EQ(other.Of(line.Line.Limits), expected) << other.Key;
            EXPECT_EQ(other.Of(families[0].Limits), expected) << other.Key;
        }
    }
}

TEST(LimitsTable, TheFileAndTheSwitchesReadOneGrammar)
{
    // A number of hours (max-age) and a whole number of products (missing-critical).
    struct TCase
    {
        const char* Text;
        std::optional<double> Hours;
        std::optional<double> Products;
    } cases[] = {
        {"35", 35, 35},
        {"007", 7, 7},
        {"7.5", 7.5, {}},
        {".5", 0.5, {}},
        {"5.", 5, {}},
        {"0", 0, {}},
        {"999999999", 999999999, 999999999},
        {"123456789.25", 123456789.25, {}},
        {"1000000000", {}, {}},
        {"+5", {}, {}},
        {"-5", {}, {}},
        {"5,5", {}, {}},
        {"5 5", {}, {}},
        {"1e3", {}, {}},
        {"0x10", {}, {}},
        {"inf", {}, {}},
        {".", {}, {}},
        {"1.2.3", {}, {}},
        {"\xd9\xa3", {}, {}},  // an Arabic-Indic three
    };
    for (const TCase& c : cases) {
        const QString text = QString::fromUtf8(c.Text);
        for (const auto& [key, wanted] : {std::pair{"max-age", c.Hours}, std::pair{"missing-critical", c.Products}}) {
            SCOPED_TRACE(std::string(key) + " = " + c.Text);
            const TLimitRow& row = *FindLimit(key);
            QString error;
            const std::optional<TFamilyLimits> file = FromFile(key, text, error);
            const TParsedCommandLine line = ParseCommandLine({QStringLiteral("-%1=%2").arg(key, text)});
            ASSERT_EQ(file.has_value(), wanted.has_value()) << qPrintable(error);
            ASSERT_EQ(line.Error.isEmpty(), wanted.has_value()) << qPrintable(line.Error);
            if (wanted) {
                EXPECT_EQ(row.Of(*file), *wanted);
                EXPECT_EQ(row.Of(line.Line.Limits), *wanted);
            } else {
                EXPECT_EQ(error, QStringLiteral("f:3: %1: '%2' is no %3").arg(key, text, LimitNoun(row)));
                EXPECT_EQ(line.Error,
                          QStringLiteral("option '-%1' needs a %2, not '%3'").arg(key, LimitNoun(row), text));
            }
        }
    }
}

TEST(LimitsTable, OnePairCheckForTheFileTheSwitchesAndEachFamily)
{
    struct TCase
    {
        QStringList Switches;
        const char* Problem;  // of a family that takes the switches
        bool OnTheLine;       // the line alone has it: only a pair given whole is weighed there
    } cases[] = {
        {{}, "", false},
        {{"-warning=45"}, "", false},
        {{"-warning=45.5"}, "warning (45.5 minutes) is above critical (45 minutes)", false},
        {{"-critical=20"}, "warning (35 minutes) is above critical (20 minutes)", false},
        {{"-missing-warning=4"}, "missing-warning (4 products) is above missing-critical (3 products)", false},
        {{"-missing-critical=2", "-missing-warning=2"}, "", false},
        {{"-critical=8", "-warning=9"}, "warning (9 minutes) is above critical (8 minutes)", true},
        {{"-warning=50", "-missing-warning=9"}, "warning (50 minutes) is above critical (45 minutes)", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Switches.join(' ').toStdString());
        const TParsedCommandLine line = ParseCommandLine(c.Switches);
        EXPECT_EQ(line.Error, c.OnTheLine ? QLatin1String(c.Problem) : QString());
        EXPECT_EQ(LimitPairProblem(line.Line.Limits), QLatin1String(c.Problem));
        QString text = Section;
        for (const QString& s : c.Switches)
            text += s.mid(1).replace('=', " = ") + '\n';
        QString error;
        ParseFamilies(text, "f", error);
        EXPECT_EQ(error, *c.Problem ? QStringLiteral("f:1: [a]: ") + c.Problem : QString());
    }
}

}  // namespace
