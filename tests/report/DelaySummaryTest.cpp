#include "report/DelaySummary.h"

#include "platform/NumberFormat.h"
#include "tests/common/Faults.h"
#include "tests/common/LocaleText.h"

#include <gtest/gtest.h>

namespace {

TDelaySummary Summarise(const QStringList& lines) { return SummariseLedgerEntries(ParseLedgerLines(lines)); }

TEST(DelaySummary, ColoursByLateness)
{
    struct Case
    {
        int seconds;
        TColor colour;
        float height;
    };
    const Case cases[] = {
        {2100, ColourInTime, 35.0f},     {2101, ColourNearlyLate, 2101 / 60.0f},
        {2700, ColourNearlyLate, 45.0f}, {2701, ColourLate, 2701 / 60.0f},
        {86400, ColourLate, 1440.0f},    {86460, ColourOwnSeries, 0.0f},
        {-600, ColourInTime, -10.0f},    {0, ColourInTime, 0.0f},
    };
    for (const Case& c : cases) {
        const TDelaySummary s = Summarise({"202106231200-crm.grb=" + QString::number(c.seconds)});
        ASSERT_EQ(s.Points.size(), 1u) << c.seconds;
        EXPECT_EQ(s.Points[0].Colour, c.colour) << c.seconds;
        EXPECT_FLOAT_EQ(s.Points[0].Minutes, c.height) << c.seconds;
        EXPECT_EQ(s.TextLines.size(), c.colour == ColourOwnSeries ? 0 : 1) << c.seconds;
    }
}

TEST(DelaySummary, LeftAxisMaximum)
{
    struct Case
    {
        std::vector<int> seconds;
        double maximum;
    };
    const Case cases[] = {
        {{}, 47}, {{2694}, 47}, {{2700}, 47}, {{3600}, 62}, {{86400}, 1442}, {{86460, 600}, 47}, {{-6000}, 47},
    };
    for (const Case& c : cases) {
        QStringList lines;
        for (int s : c.seconds)
            lines.append("202106231200-crm.grb=" + QString::number(s));
        EXPECT_DOUBLE_EQ(LeftAxisMaximum(Summarise(lines).Maximum), c.maximum);
    }
}

TEST(DelaySummary, SkipsLinesWithoutADateOrAValue)
{
    const TDelaySummary s = Summarise({
        "no separator",
        "notes=5",                   // not a product time: no point, no date
        "202106221200-crm.grb=abc",  // sets the dates, adds nothing
        "202106231200-crm.grb=413",
        "202106231315-crm.grb= 5",
    });
    ASSERT_EQ(s.Points.size(), 1u);
    EXPECT_EQ(s.TextLines, QStringList({InLocale("2021-Jun-23  => 6.9 minutes")}));
    EXPECT_EQ(s.FirstDate, 44369);
    EXPECT_EQ(s.LastDate, 44370);
}

TEST(DelaySummary, PlotsOnlyTheNewest46Lines)
{
    TSortedStringList ledger;
    for (int i = 0; i < 100; ++i)
        ledger.Add(QString::asprintf("2021%02d%02d1200-crm.grb=%d", 1 + i / 28, 1 + i % 28, 60 * i));
    TLedgerEntries entries(ledger);
    const std::vector<TLedgerEntry> newest = NewestLedgerEntries(entries);
    ASSERT_EQ(newest.size(), 46u);
    EXPECT_EQ(newest.front().Line, 54);
    const TDelaySummary s = SummariseLedgerEntries(newest);
    EXPECT_EQ(s.Points.size(), 46u);
    EXPECT_EQ(SummaryHint(s.TextLines).count('\r'), 5);
    EXPECT_TRUE(SummaryHint(s.TextLines).startsWith(InLocale("Lagwatch:\r  2021-Apr-16  => 99.0 minutes\r")));
}

TEST(DelaySummary, HintListsUpToFiveNewestLines)
{
    EXPECT_EQ(SummaryHint({}), "No Lagwatch data found");
    EXPECT_EQ(SummaryHint({"a", "b", "c"}), "Lagwatch:\r  c\r  b\r  a");
    EXPECT_EQ(SummaryHint({"1", "2", "3", "4", "5", "6", "7"}), "Lagwatch:\r  7\r  6\r  5\r  4\r  3");
    EXPECT_EQ(ClipboardText("No Lagwatch data found"), "No Lagwatch data found\n\r\n\r");
}

TEST(DelaySummary, CaptionForms)
{
    TDateTime jan5 = 0, june23 = 0;
    TryEncodeDate(2021, 1, 5, jan5);
    TryEncodeDate(2021, 6, 23, june23);
    EXPECT_EQ(SummaryCaption("Lagwatch", june23, jan5 + 0.3),
              InLocale("Lagwatch - latest data was from 2021-Jun-23, day 174"));
    EXPECT_EQ(SummaryCaption("Lagwatch", jan5, june23),
              InLocale("Lagwatch - latest data was from 2021-Jan-05, day 005"));
    EXPECT_EQ(SummaryCaption("Lagwatch", 0, jan5 + 0.3), InLocale("Lagwatch - today is 2021-Jan-05, day 005"));
}

TEST(NumberFormat, FixedDecimalsAndTies)
{
    struct Case
    {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {413 / 60.0f, 1, "6.9"}, {0.25, 1, "0.3"},       {0.75, 1, "0.8"},
        {-0.25, 1, "-0.3"},      {15 / 60.0f, 1, "0.3"}, {1440, 1, "1440.0"},
        {-0.04, 1, "0.0"},       {12.3456, 3, "12.346"}, {1234567.0, 1, "1234567.0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFixed(c.value, c.decimals), InLocale(c.text)) << c.value;
    EXPECT_EQ(FormatFixed(2.5, 1, QLocale(QLocale::German, QLocale::Germany)), "2,5");
    EXPECT_EQ(FormatPadded(5, 3), "005");
    EXPECT_EQ(FormatPadded(366, 3), "366");
    EXPECT_EQ(FormatPadded(1234, 3), "1234");
}

// The application object sets the C library's locale from the environment;
// LC_NUMERIC=de_DE.UTF-8 alone must not put a comma into a number asked for
// in another locale.
TEST(NumberFormat, TheCLibrarysNumericLocaleIsNotTaken)
{
    REQUIRE_LOCALE("de_DE.UTF-8");
    const TScopedCLocale german(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(FormatFixed(1440.5, 1, QLocale::c()), "1440.5");
    EXPECT_EQ(FormatFixed(0.25, 1, QLocale::c()), "0.3");
    EXPECT_EQ(FormatFixed(2.0, 1, QLocale(QLocale::German, QLocale::Germany)), "2,0");
    const TScopedCLocale english(LC_NUMERIC, "C");
    EXPECT_EQ(FormatFixed(2.0, 1, QLocale(QLocale::German, QLocale::Germany)), "2,0");
}

}  // namespace
