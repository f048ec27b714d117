#include "station/LedgerEntries.h"
#include "tests/common/TestDates.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

TDateTime Day(int day) { return At(2021, 6, day); }

// A ledger of 1,000 days from 2021-06-01 back, one product each, with a note
// line among them and a line without a value at the end.
TSortedStringList BigLedger()
{
    QStringList lines;
    for (int back = 0; back < 1000; ++back) {
        const QDate date = QDate(2021, 6, 1).addDays(-back);
        lines.append(date.toString("yyyyMMdd") + "1200-crm.grb=" + QString::number(back));
    }
    lines.append("20210315-notes.txt=none");
    lines.append("2999-no-value");
    TSortedStringList ledger;
    ledger.Assign(lines);
    return ledger;
}

TEST(LedgerEntries, ReadsBackOnlyAsFarAsAsked)
{
    const TSortedStringList ledger = BigLedger();
    TLedgerEntries entries(ledger);
    EXPECT_EQ(entries.ParsedLines(), 0);

    const TLedgerEntry* newest = entries.NewestProduct();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->Name, "202106011200-crm.grb");  // the line without a value is no entry
    EXPECT_LT(entries.ParsedLines(), 100);

    // Since: every product of that day or later, and the one before them.
    const std::vector<TLedgerEntry> since = entries.Since(Day(1) - 9);
    ASSERT_EQ(since.size(), 11u);
    EXPECT_EQ(since.front().Name, "202105221200-crm.grb");
    EXPECT_EQ(since.back().Name, "202106011200-crm.grb");
    EXPECT_LT(entries.ParsedLines(), 200);

    // Nothing older: the whole ledger, the note line too.
    EXPECT_EQ(entries.Since(Day(1) - 5000).size(), 1001u);
    EXPECT_EQ(entries.ParsedLines(), 1002);
    EXPECT_EQ(entries.FromLine(1000).size(), 1u);  // the last two lines: one without a value
}

TEST(LedgerEntries, EveryLineOnceInOrderWhateverWasParsedBefore)
{
    const TSortedStringList ledger = BigLedger();
    for (const int parsedFirst : {0, 10, 1002}) {
        TLedgerEntries entries(ledger);
        entries.FromLine(ledger.Count() - parsedFirst);
        int expected = 0, withValue = 0;
        entries.ForEachLine([&](int line, const TLedgerEntry* entry) {
            EXPECT_EQ(line, expected++);
            EXPECT_EQ(entry != nullptr, ledger.Get(line).contains('=')) << line;
            if (entry) {
                ++withValue;
                EXPECT_TRUE(ledger.Get(line).startsWith(entry->Name + "=")) << line;
            }
        });
        EXPECT_EQ(expected, ledger.Count());
        EXPECT_EQ(withValue, 1001);
    }
}

// Products dated after the month read (a clock set wrong) end the window at
// the first of them, by their times alone: whatever the shape of a line, its
// time is the one the entry would have. Lines that name no product time
// (notes, an invalid date, a second past 59) neither end it nor start it.
TEST(LedgerEntries, ProductsLaterThanUntilEndTheWindowUnread)
{
    struct TCase
    {
        TLedgerNames Names;
        QStringList Lines;  // in list order: the window's lines, then the later ones
        int InWindow;
    };
    const TCase cases[] = {
        {TLedgerNames::Product,
         {"202105201200-crm.grb=1", "202105301200-crm.grb=2", "20210531-notes.txt=x", "202106011200-crm.grb=3",
          "202106012400-crm.grb=4", "202113011200-bad-month=5", "203001011200-crm.grb=6", "a-note=7"},
         4},
        {TLedgerNames::Timed,
         {"20210520120000 a=1", "20210530120075 b=2", "20210531120000 c=3", "20210601115959 d=4", "20210601120001 e=5",
          "20300101000000 f=6"},
         4},
    };
    for (const TCase& c : cases) {
        TSortedStringList ledger;
        ledger.Assign(c.Lines);
        ASSERT_EQ(ledger.ToStringList(), c.Lines);
        TLedgerEntries entries(ledger, c.Names);
        const std::vector<TLedgerEntry> window = entries.Since(Day(1) - 5, Day(1) + 0.5);
        ASSERT_EQ(static_cast<int>(window.size()), c.InWindow) << c.Lines.join(' ').toStdString();
        for (int i = 0; i < c.InWindow; ++i)
            EXPECT_EQ(window[static_cast<size_t>(i)].Line, i);
        EXPECT_EQ(entries.ParsedLines(), 0);
        // Without an end, to the last line, as before.
        EXPECT_EQ(static_cast<qsizetype>(entries.Since(Day(1) - 5).size()), c.Lines.size());
    }
}

}  // namespace
