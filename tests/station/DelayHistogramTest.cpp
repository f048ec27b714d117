// The delay histogram kept beside a family's ledger: each slot counted once,
// in the run that completes it, with its latest delay, whatever the runs,
// the caches and a changing number of files a slot holds do.
#include "station/DelayHistogram.h"
#include "station/Families.h"
#include "station/StationPass.h"

#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(DelayHistogram, ASlotCountsInTheRunThatCompletesIt)
{
    struct Case
    {
        int before, after, kept, filesPerSlot;
        bool counts;
    };
    const Case cases[] = {
        {0, 1, 0, 1, true},        // the first product of a one-file family
        {1, 2, 1, 1, false},       // a second file of a complete slot
        {1, 2, 3, 3, false},       // still short of a file
        {2, 3, 3, 3, true},        // its last file
        {0, 5, 3, 3, true},        // all at once, and more
        {3, 4, 3, 3, false},       // counted already
        {50, 114, 1, 114, false},  // counted at its first file while a slot was one file
        {0, 60, 1, 114, false},    // not complete under the number learned since
        {60, 114, 114, 114, true},
        {50, 51, 114, 1, true},  // complete under a smaller number, never counted before
    };
    for (const Case& c : cases)
        EXPECT_EQ(SlotCountsNow(c.before, c.after, c.kept, c.filesPerSlot), c.counts)
            << c.before << " -> " << c.after << " kept " << c.kept << " now " << c.filesPerSlot;
}

TEST(DelayHistogram, TextRoundTripAndDamage)
{
    TDelayHistogram histogram;
    for (const int64_t seconds : {0, 60, 61, 86400, 86401, 90000})
        histogram.Observe(seconds);
    histogram.FilesPerSlot = 114;
    EXPECT_EQ(histogram.Buckets[0], 2u);                         // 0 and 60: le 60
    EXPECT_EQ(histogram.Buckets[1], 1u);                         // 61: le 120
    EXPECT_EQ(histogram.Buckets[DelayBucketBounds.size()], 2u);  // beyond a day
    EXPECT_EQ(histogram.Count, 6u);
    EXPECT_EQ(histogram.SumSeconds, 0u + 60 + 61 + 86400 + 86401 + 90000);
    const QByteArray text = EncodeDelayHistogram(histogram);
    EXPECT_EQ(DecodeDelayHistogram(text), histogram);
    const std::pair<QByteArray, QByteArray> damages[] = {
        {"le +Inf 2\n", "le +Inf 2"},          // cut short
        {"le 120 1\n", "le 120 +1\n"},         // a sign
        {"le 120 1\n", "le 180 1\n"},          // another bucket
        {"sum ", "sum -"},                     // a negative sum
        {"le +Inf 2\n", "le +Inf 2\nmore\n"},  // a line too many
        {"histogram 1", "histogram 2"},        // another version
    };
    for (const auto& [from, to] : damages)
        EXPECT_FALSE(DecodeDelayHistogram(QByteArray(text).replace(from, to))) << to.toStdString();
}

class DelayHistogramPasses : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FLedger = FDir.Write("ledgers/CRM-received.txt", "");
        FData = FDir.MakeDir("data");
        SetClockForTesting([] {
            TDateTime day = 0;
            TryEncodeDate(2021, 6, 23, day);
            return day + 0.5;
        });
    }
    void TearDown() override { SetClockForTesting({}); }

    // A product of 23 June 2021 at hhmm, last written `seconds` before it was created.
    void Product(const char* name, const char* hhmm, int64_t seconds)
    {
        const QString path = FDir.Write(QStringLiteral("data/2021/06/23/%1_20210623%2.seg").arg(name, hhmm), "x");
        const auto times = ReadFileTimes(QFile::encodeName(path));
        ASSERT_TRUE(times && SetLastWriteMs(path, times->CreationMs - seconds * 1000));
    }

    // One pass of the seg family (and crm), the files of a slot as the rule
    // says when it is given; the seg histogram after it.
    TDelayHistogram Run(const char* filesPerSlot, int learned = 1)
    {
        QString error;
        const auto families = ParseFamilies(
            QStringLiteral("[seg]\npattern = {n}_{time:%Y%m%d%H%M}.seg\nexpect = 15m\nfiles-per-slot = %1\n")
                .arg(QLatin1String(filesPerSlot)),
            "f", error);
        EXPECT_TRUE(families) << error.toStdString();
        QStringList messages;
        TStationPass pass({FData, FLedger}, [&](const QString& m) { messages << m; }, *families);
        for (const std::unique_ptr<TFamilyPass>& family : pass.Families())
            family->SetFilesPerSlotRule([learned](const TFamilyPass&) { return learned; });
        pass.Walk(pass.DataFolder());
        EXPECT_TRUE(pass.Save());
        EXPECT_EQ(messages, QStringList());
        return pass.Families().back()->DelayHistogram();
    }

    TempDir FDir;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
    QString FLedger, FData;
};

TEST_F(DelayHistogramPasses, SlotsCountOnceWithTheirLatestDelayWhateverTheRuns)
{
    Product("a", "1000", 100);
    Product("b", "1000", 300);
    Product("a", "1015", 50);
    Product("b", "1015", 70);
    Product("c", "1015", 60);
    Product("a", "1030", -20);  // a writer's clock ahead
    Product("b", "1030", -10);
    Product("c", "1030", -30);
    TDelayHistogram seg = Run("3");
    EXPECT_EQ(seg.Count, 1u);  // 10:15; 10:00 lacks a file, 10:30 has no delay to count
    EXPECT_EQ(seg.SumSeconds, 70u);

    Product("c", "1000", 200);
    seg = Run("3");
    EXPECT_EQ(seg.Count, 2u);  // 10:00, at the latest of its three
    EXPECT_EQ(seg.SumSeconds, 370u);
    EXPECT_EQ(seg.Buckets[2], 1u);  // 300: le 300

    // Another file of a complete slot, a rebuilt cache and runs that find
    // nothing new count nothing again.
    Product("d", "1000", 900);
    QDir ledger(FDir.Path() + "ledgers/seg-received");
    for (const QString& cache : ledger.entryList({"*.digest", "listed.txt"}, QDir::Files))
        ASSERT_TRUE(ledger.remove(cache));
    EXPECT_EQ(Run("3"), seg);
    EXPECT_EQ(Run("3"), seg);

    // The crm family: a slot is a product.
    FDir.Write("data/2021/06/23/202106231200-crm.grb", "x");
    Run("3");
    TDelayHistogram crm;
    QString error;
    ASSERT_TRUE(ReadDelayHistogramFile(FDir.Path() + "ledgers/CRM-received-delays.txt", crm, error));
    EXPECT_EQ(crm.Count, 1u);
}

TEST_F(DelayHistogramPasses, ALearnedNumberOfFilesCountsEachSlotOnce)
{
    // While a slot is one file, each slot counts at its first.
    Product("a", "1000", 100);
    Product("a", "1015", 100);
    TDelayHistogram seg = Run("learn", 1);
    EXPECT_EQ(seg.Count, 2u);
    EXPECT_EQ(seg.FilesPerSlot, 1);
    // Then three a slot: the slots counted before do not count again, a
    // new slot counts once it holds three.
    Product("b", "1000", 200);
    Product("c", "1000", 300);
    Product("a", "1030", 400);
    Product("b", "1030", 500);
    seg = Run("learn", 3);
    EXPECT_EQ(seg.Count, 2u);
    Product("c", "1030", 450);
    seg = Run("learn", 3);
    EXPECT_EQ(seg.Count, 3u);
    EXPECT_EQ(seg.SumSeconds, 100u + 100 + 500);
}

}  // namespace
