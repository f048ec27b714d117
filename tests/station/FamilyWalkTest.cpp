// A station of several families: one walk, the first family that matches
// owning a file, each family going back on its own terms, a ledger per day
// of each family, and the old days moving into the yearly archive.
#include "station/Families.h"
#include "station/ProductFile.h"
#include "station/StationPass.h"

#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TDateTime At(int y, int m, int d, double hours) { return ::At(y, m, d) + hours / 24; }

QString Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
}

class FamilyWalkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FLedger = FDir.Write("ledgers/CRM-received.txt", "");
        FData = FDir.MakeDir("data");
        SetClockForTesting([] { return At(2021, 6, 23, 12.5); });
    }
    void TearDown() override { SetClockForTesting({}); }

    // Writes a product last written `delayMs` before it was created.
    int64_t Product(const QString& relative, int64_t delayMs = 60000)
    {
        const QString path = FDir.Write("data/" + relative, "x");
        const auto times = ReadFileTimes(QFile::encodeName(path));
        EXPECT_TRUE(times && SetLastWriteMs(path, times->CreationMs - delayMs));
        return times ? times->CreationMs : 0;
    }

    // One pass with the families of the text; the messages it reported.
    QStringList Run(const char* families, TStationPass** keep = nullptr)
    {
        QString error;
        const auto parsed = ParseFamilies(QString::fromUtf8(families), "f", error);
        EXPECT_TRUE(parsed) << error.toStdString();
        QStringList messages;
        FPass = std::make_unique<TStationPass>(
            QStringList{FData, FLedger}, [&messages](const QString& m) { messages << m; }, *parsed);
        FPass->Walk(FPass->DataFolder());
        EXPECT_TRUE(FPass->Save());
        if (keep)
            *keep = FPass.get();
        return messages;
    }

    QString DayFile(const QString& family, const char* day)
    {
        return FDir.Path() + "ledgers/" + family + "-received/" + day + ".txt";
    }

    TempDir FDir;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
    QString FLedger, FData;
    std::unique_ptr<TStationPass> FPass;
};

TEST_F(FamilyWalkTest, FirstMatchingFamilyOwnsAFileAndNameTimeDelays)
{
    Product("seg/2021/06/23/S_a_202106231000.seg", 413000);
    Product("seg/2021/06/23/S_B_202106231000.SEG", 5000);
    Product("seg/2021/06/23/S_Z202106231100.seg", 7000);  // not the first family's: the second's
    const int64_t created = Product("flat/F202106231000.nc");
    Product("flat/F201906231000.nc");  // beyond the 90 days of the walk
    Product("2021/06/23/202106231200-crm.grb", 1000);
    TStationPass* pass = nullptr;
    EXPECT_EQ(Run("[seg]\nfolder = seg/%Y/%m/%d\npattern = S_{n}_{time:%Y%m%d%H%M}.seg\n"
                  "[any]\nfolder = seg/%Y/%m/%d\npattern = S_*{time:%Y%m%d%H%M}*\n"
                  "[flat]\nfolder = flat\npattern = F{time:%Y%m%d%H%M}.nc\ndelay = name-time\n",
                  &pass),
              QStringList());
    EXPECT_EQ(Read(FLedger), "202106231200-crm.grb=1\r\n");
    // A family's ledger keeps the names as they are on disk.
    EXPECT_EQ(Read(DayFile("seg", "2021-06-23")),
              "20210623100000 S_a_202106231000.seg=413\r\n20210623100000 S_B_202106231000.SEG=5\r\n");
    EXPECT_EQ(Read(DayFile("any", "2021-06-23")), "20210623110000 S_Z202106231100.seg=7\r\n");
    const int64_t nominalMs = DateTimeToUnixMs(At(2021, 6, 23, 10));
    EXPECT_EQ(
        Read(DayFile("flat", "2021-06-23")),
        QString("20210623100000 F202106231000.nc=%1\r\n").arg(DelaySeconds(TFileTimes{created, nominalMs, true})));
    EXPECT_FALSE(QFile::exists(DayFile("flat", "2019-06-23")));

    ASSERT_EQ(pass->Families().size(), 4u);
    EXPECT_EQ(pass->Families()[0]->Family().Name, "crm");
    // The walk of several families counts the day folders it found too.
    EXPECT_GE(pass->DayFoldersFound(), 2);
    EXPECT_EQ(pass->WatchesNothing(), "");
    const TFamilyPass& seg = *pass->Families()[1];
    EXPECT_EQ(seg.ProductsRecorded(), 2);
    // The ledger read first stays the one the entries read.
    const TSortedStringList& lines = seg.Ledger();
    EXPECT_EQ(&lines, &seg.Entries().Ledger());
    EXPECT_EQ(lines.Count(), 2);
    const TLedgerEntry* newest = seg.Entries().NewestProduct();
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->Name, "S_B_202106231000.SEG");
    EXPECT_EQ(newest->Nominal, At(2021, 6, 23, 10));
    EXPECT_EQ(newest->Seconds, 5);
}

TEST_F(FamilyWalkTest, EveryFamilyReexaminesEachDayWithinItsReach)
{
    // Days already complete or holding products still have their folders
    // listed: a file that arrived late into them is recorded. A name held
    // in lower case by an older run is the same product.
    QString complete;
    for (int hour = 0; hour < 24; ++hour)
    {
        const QString hh = QString::number(100 + hour).right(2);
        complete += "20210622" + hh + "0000 h20210622" + hh + "=1\r\n";
    }
    FDir.Write("ledgers/hourly-received/2021-06-22.txt", complete.toUtf8());
    FDir.Write("ledgers/learned-received/2021-06-22.txt", "20210622050000 l2021062205=1\r\n");
    Product("h/2021/06/23/h2021062310");
    Product("h/2021/06/22/h2021062223x");  // late into a complete day
    Product("l/2021/06/22/L2021062205");   // held already, in lower case
    Product("l/2021/06/22/L2021062206");
    Product("l/2021/06/21/l2021062106");
    EXPECT_EQ(Run("[hourly]\nfolder = h/%Y/%m/%d\npattern = h{time:%Y%m%d%H}*\nexpect = 1h\n"
                  "[learned]\nfolder = l/%Y/%m/%d\npattern = l{time:%Y%m%d%H}\n"
                  "[gone]\nfolder = nowhere/%Y\npattern = g{time:%Y%j}\n"),
              QStringList({QString("the folder %1nowhere/ of the family gone does not exist").arg(FData + "/")}));
    EXPECT_TRUE(Read(DayFile("hourly", "2021-06-23")).startsWith("20210623100000 h2021062310="));
    EXPECT_TRUE(Read(DayFile("hourly", "2021-06-22")).contains("20210622230000 h2021062223x="));
    EXPECT_EQ(Read(DayFile("learned", "2021-06-22")).count("\r\n"), 2);
    EXPECT_TRUE(Read(DayFile("learned", "2021-06-22")).contains("20210622060000 L2021062206="));
    EXPECT_TRUE(Read(DayFile("learned", "2021-06-21")).contains("20210621060000 l2021062106="));
    // Each family counts its own day folders.
    EXPECT_EQ(FPass->Families()[1]->WalkCounts().FoldersFound, 2);
    EXPECT_EQ(FPass->Families()[2]->WalkCounts().FoldersFound, 2);
    EXPECT_EQ(FPass->Families()[3]->WalkCounts().FoldersFound, 0);
    EXPECT_FALSE(FPass->Families()[3]->FolderProblem().isEmpty());
}

TEST_F(FamilyWalkTest, AFamilyWhoseFilesAnEarlierOneTakesIsToldWhich)
{
    Product("2021/06/22/h2021062210_x.nc");
    Product("2021/06/22/h2021062211_x.nc");
    Product("2021/06/23/q2021062310_x.nc");
    Run("[hourly]\npattern = h{time:%Y%m%d%H}*\n[extra]\npattern = h{time:%Y%m%d%H}_x.nc\n"
        "[other]\npattern = q{time:%Y%m%d%H}*\n");
    const auto& families = FPass->Families();
    EXPECT_EQ(families[2]->ProductsRecorded(), 0);
    const std::optional<TClaim> claim = FPass->ClaimedBy(*families[2]);
    ASSERT_TRUE(claim);
    EXPECT_EQ(claim->Family, "hourly");
    EXPECT_EQ(claim->Files, 2);
    EXPECT_FALSE(FPass->ClaimedBy(*families[1]));
    EXPECT_FALSE(FPass->ClaimedBy(*families[3]));
}

TEST_F(FamilyWalkTest, LinesANarrowedPatternNoLongerMatchesCountForNothing)
{
    // The report's figures are pinned end to end; here the newest product.
    FDir.Write("ledgers/n-received/2021-06-22.txt", "20210622100000 n2021062210.nc=1\r\n"
                                                    "20210622110000 n2021062211.tmp=2\r\n"
                                                    "20210622120000 n2021062213.nc=3\r\n");
    EXPECT_TRUE(Run("[n]\npattern = n{time:%Y%m%d%H}.nc\n").value(0).startsWith("2 products of the family n in the"));
    const TLedgerEntry* newest = FPass->Families()[1]->Entries().NewestProduct();
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->Name, "n2021062210.nc");
    EXPECT_EQ(Read(DayFile("n", "2021-06-22")).count("\r\n"), 3);
}

TEST_F(FamilyWalkTest, AFolderOfManyProductsIsRecordedWholeAndInOrder)
{
    // Enough new products that their statuses are read on two threads, in
    // a folder that also holds a name twice in different case (one line),
    // a file that is no product, a folder and a link that leads nowhere.
    QString expected;
    for (int i = 0; i < 300; ++i) {
        const QString n = QString::number(1000 + i);
        Product("2021/06/23/P" + n + "_202106231000.seg", (i % 7) * 1000);
        expected += "20210623100000 P" + n + "_202106231000.seg=" + QString::number(i % 7) + "\r\n";
    }
    Product("2021/06/23/P1000_202106231000.SEG", 9000);
    Product("2021/06/23/readme.txt");
    FDir.MakeDir("data/2021/06/23/P2000_202106231000.seg");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(FData + "/2021/06/23/P3000_202106231000.seg").constData()), 0);
    EXPECT_EQ(Run("[seg]\npattern = P{n}_{time:%Y%m%d%H%M}.seg\n"), QStringList());
    const QString day = Read(DayFile("seg", "2021-06-23"));
    EXPECT_EQ(day.count("P1000_", Qt::CaseInsensitive), 1);
    // Whichever of the two names the listing gave first stays, with its delay.
    const QRegularExpressionMatch first =
        QRegularExpression("^20210623100000 P1000_202106231000\\.(seg=0|SEG=9)\r\n").match(day);
    ASSERT_TRUE(first.hasMatch()) << day.left(100).toStdString();
    EXPECT_EQ(day.mid(first.capturedLength()), expected.mid(expected.indexOf("20210623100000 P1001")));
    EXPECT_EQ(FPass->Families()[1]->ProductsRecorded(), 300);
}

TEST_F(FamilyWalkTest, OldDaysMoveIntoTheYearlyArchive)
{
    FDir.Write("ledgers/seg-received/2021-05-20.txt", "20210520000000 s2021052000=1\r\n");
    FDir.Write("ledgers/seg-received/archive-2021.txt", "20210101000000 s2021010100=2\r\n");
    FDir.Write("ledgers/seg-received/2021-06-21.txt", "20210621000000 s2021062100=3\r\n");
    Product("2021/06/23/s2021062301");
    Product("flat/o2021052300");  // older than the days kept: not recorded again
    Product("flat/o2021052400");
    Run("[seg]\npattern = s{time:%Y%m%d%H}\nkeep-days = 31\n[old]\nfolder = flat\npattern = o{time:%Y%m%d%H}\n"
        "keep-days = 31\n");
    EXPECT_FALSE(QFile::exists(DayFile("old", "2021-05-23")));
    EXPECT_TRUE(QFile::exists(DayFile("old", "2021-05-24")));
    EXPECT_FALSE(QFile::exists(DayFile("seg", "2021-05-20")));
    EXPECT_EQ(Read(DayFile("seg", "archive-2021")), "20210101000000 s2021010100=2\r\n20210520000000 s2021052000=1\r\n");
    EXPECT_EQ(Read(DayFile("seg", "2021-06-21")), "20210621000000 s2021062100=3\r\n");
    EXPECT_TRUE(QFile::exists(DayFile("seg", "2021-06-23")));
    // The whole ledger (the CSV's) holds the archived lines before the days'.
    TFamilyPass& seg = *FPass->Families()[1];
    QString error;
    ASSERT_TRUE(seg.LoadAllDays(error)) << error.toStdString();
    ASSERT_EQ(seg.Ledger().Count(), 4);
    EXPECT_EQ(seg.Ledger().GetUtf8(1), "20210520000000 s2021052000=1");
    EXPECT_EQ(seg.Ledger().GetUtf8(3).first(15), "20210623010000 ");
}

}  // namespace
