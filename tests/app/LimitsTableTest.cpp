// The limits' table against what is made from it: the switches and --help,
// the families file's keys, the overrides, the number grammar, the pair check.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

// Family a's limits with the keys' lines added; none, with error, when refused.
std::optional<TFamilyLimits> FromFile(const QString& lines, QString& error)
{
    const auto families = ParseFamilies("[a]\npattern = a{time:%Y%j}\n" + lines, "f", error);
    return families ? std::optional(families->back().Limits) : std::nullopt;
}

TEST(LimitsTable, EveryRowIsASwitchAKeyAndAnOverrideWithItsDefaultInTheHelp)
{
    for (const TLimitRow& row : LimitRows()) {
        SCOPED_TRACE(row.Key);
        const QString key = QLatin1String(row.Key), value = FormatLimit(row.Default + 1);  // below every pair
        EXPECT_TRUE(SwitchHelp().simplified().contains(
            QStringLiteral("-%1=%2 %3 (default %4)").arg(key, row.Value, row.Help, FormatLimit(row.Default))));
        QString error;
        const std::optional<TFamilyLimits> file = FromFile(key + " = " + value + "\n", error);
        const TParsedCommandLine line = ParseCommandLine({"-" + key + "=" + value});
        ASSERT_TRUE(file && line.Error.isEmpty()) << qPrintable(error + line.Error);
        std::vector<TFamily> families(1);
        ApplyOverrides(families, {line.Line.Limits, line.Line.Given, {}});
        for (const TLimitRow& other : LimitRows())
            for (const TFamilyLimits& limits : {*file, line.Line.Limits, families[0].Limits})
                EXPECT_EQ(other.Of(limits), &other == &row ? row.Default + 1 : other.Default) << other.Key;
    }
}

TEST(LimitsTable, TheFileAndTheSwitchesReadOneGrammar)
{
    // Text, then its value as hours (max-age) and as products (missing-critical); none: refused.
    std::vector<std::tuple<const char*, std::optional<double>, std::optional<double>>> cases = {
        {"35", 35, 35}, {"007", 7, 7}, {"999999999", 999999999, 999999999}, {"7.5", 7.5, {}}, {".5", 0.5, {}},
        {"5.", 5, {}},  {"0", 0, {}}};
    // Refused by both ("\xd9\xa3": an Arabic-Indic three).
    for (const char* text : {"1000000000", "+5", "-5", "5,5", "5 5", "1e3", "inf", ".", "1.2.3", "\xd9\xa3"})
        cases.push_back({text, {}, {}});
    for (const auto& [text, hours, products] : cases)
        for (const auto& [key, wanted] : {std::pair{"max-age", hours}, std::pair{"missing-critical", products}}) {
            SCOPED_TRACE(std::string(key) + " = " + text);
            const TLimitRow& row = *FindLimit(key);
            QString error;
            const auto file = FromFile(QStringLiteral("%1 = %2\n").arg(key, QString::fromUtf8(text)), error);
            const TParsedCommandLine line =
                ParseCommandLine({QStringLiteral("-%1=%2").arg(key, QString::fromUtf8(text))});
            ASSERT_EQ(file.has_value(), wanted.has_value()) << qPrintable(error);
            ASSERT_EQ(line.Error.isEmpty(), wanted.has_value()) << qPrintable(line.Error);
            if (wanted) {
                EXPECT_EQ(row.Of(*file), *wanted);
                EXPECT_EQ(row.Of(line.Line.Limits), *wanted);
            } else {
                EXPECT_TRUE(error.endsWith("' is no " + LimitNoun(row))) << qPrintable(error);
                EXPECT_TRUE(line.Error.contains("needs a " + LimitNoun(row) + ", not")) << qPrintable(line.Error);
            }
        }
}

TEST(LimitsTable, OnePairCheckForTheLineTheFileAndEachFamily)
{
    // The switches, the problem of a family that takes them, and whether the
    // line alone has it (only a pair given whole is weighed there).
    const std::tuple<QStringList, const char*, bool> cases[] = {
        {{"-warning=45"}, "", false},
        {{"-warning=45.5"}, "warning (45.5 minutes) is above critical (45 minutes)", false},
        {{"-missing-warning=4"}, "missing-warning (4 products) is above missing-critical (3 products)", false},
        {{"-missing-critical=2", "-missing-warning=2"}, "", false},
        {{"-critical=8", "-warning=9"}, "warning (9 minutes) is above critical (8 minutes)", true},
        {{"-warning=50", "-missing-warning=9"}, "warning (50 minutes) is above critical (45 minutes)", false},
    };
    for (const auto& [switches, problem, onTheLine] : cases) {
        SCOPED_TRACE(switches.join(' ').toStdString());
        const TParsedCommandLine line = ParseCommandLine(switches);
        EXPECT_EQ(line.Error, onTheLine ? QLatin1String(problem) : QString());
        EXPECT_EQ(LimitPairProblem(line.Line.Limits), QLatin1String(problem));
        QString lines, error;
        for (const QString& s : switches)
            lines += s.mid(1).replace('=', " = ") + '\n';
        FromFile(lines, error);
        EXPECT_EQ(error, *problem ? QStringLiteral("f:1: [a]: ") + problem : QString());
    }
}

}  // namespace
