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

}  // namespace
