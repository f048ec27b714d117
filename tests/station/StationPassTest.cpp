#include "station/StationPass.h"

#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TDateTime At(int y, int m, int d, double hours) { return ::At(y, m, d) + hours / 24; }

// Writes a product whose last-write time lies exactly `delayMs` before the
// creation time the file system recorded.
void WriteProduct(const TempDir& dir, const QString& relative, int64_t delayMs)
{
    const QString path = dir.Write(relative, "GRIB");
    const auto times = ReadFileTimes(QFile::encodeName(path));
    ASSERT_TRUE(times.has_value());
    ASSERT_TRUE(SetLastWriteMs(path, times->CreationMs - delayMs));
}

class StationPassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FLedger = FDir.Write("ledger.txt", "");
        FData = FDir.MakeDir("data");
    }
    void TearDown() override { SetClockForTesting({}); }

    // The ledger after a walk and a save at the given time; the entries the
    // reports read are checked against what was saved.
    QStringList RunPass(TDateTime now)
    {
        SetClockForTesting([now] { return now; });
        TStationPass pass({FData, FLedger}, [](const QString& message) { ADD_FAILURE() << message.toStdString(); });
        FIterations.clear();
        pass.Walk(pass.DataFolder(), [this](int index) { FIterations.append(index); });
        EXPECT_TRUE(pass.Save());
        EXPECT_EQ(pass.Save(), true);  // once: the second call gives the first result
        const QStringList lines = pass.Ledger().ToStringList();
        const std::vector<TLedgerEntry> entries = pass.Entries().FromLine(0);
        EXPECT_EQ(entries.size(), static_cast<size_t>(lines.size()));
        for (const TLedgerEntry& entry : entries)
            EXPECT_TRUE(lines.at(entry.Line).startsWith(entry.Name + "="));
        return lines;
    }

    TempDir FDir;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
    QString FLedger, FData;
    QList<int> FIterations;
};

TEST_F(StationPassTest, RecordsEveryMatchingFileWithItsExactDelay)
{
    WriteProduct(FDir, "data/2021/06/23/202106231200-CRM.GRB", 413000);  // 12:20:00.000 - 12:13:07.000
    WriteProduct(FDir, "data/2021/06/23/202106230000-crm.grb", 1500);    // a half: to even
    WriteProduct(FDir, "data/2021/06/23/202106231315-crm.grb", -60000);  // written after it was created
    WriteProduct(FDir, "data/2021/06/23/2=9crm.grb", 5000);              // would forge a ledger line
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.txt", 5000);    // not a CRM product
    WriteProduct(FDir, "data/2021/06/22/202106221200-crm.grb", 7000);
    const QStringList lines = RunPass(At(2021, 6, 23, 13.5));
    EXPECT_EQ(lines, QStringList({"202106221200-crm.grb=7", "202106230000-crm.grb=2", "202106231200-crm.grb=413",
                                  "202106231315-crm.grb=-60"}));
    // After noon the iterations count from 1, one a day, down to the first one with nothing to find.
    EXPECT_EQ(FIterations.mid(0, 3), QList<int>({1, 2, 3}));
    EXPECT_EQ(FIterations.size(), 90);
}

TEST_F(StationPassTest, SearchesTheNewestRecordedDayOnceMoreAndStopsThere)
{
    FLedger = FDir.Write("ledger.txt", "202106211200-crm.grb=100\r\n");
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.grb", 60000);
    WriteProduct(FDir, "data/2021/06/21/202106211200-crm.grb", 999000);  // recorded before: not measured again
    WriteProduct(FDir, "data/2021/06/21/202106211315-crm.grb", 120000);  // arrived after that run
    WriteProduct(FDir, "data/2021/06/20/202106201200-crm.grb", 180000);  // beyond the recorded day
    const QStringList lines = RunPass(At(2021, 6, 23, 11.99));
    EXPECT_EQ(lines, QStringList({"202106211200-crm.grb=100", "202106211315-crm.grb=120", "202106231200-crm.grb=60"}));
}

TEST_F(StationPassTest, ReachesBack88DaysBeforeNoonAnd89From)
{
    // 2021-03-27 is 88 days before 2021-06-23.
    WriteProduct(FDir, "data/2021/03/27/202103271200-crm.grb", 60000);
    WriteProduct(FDir, "data/2021/03/26/202103261200-crm.grb", 60000);
    EXPECT_EQ(RunPass(At(2021, 6, 23, 11 + 59 / 60.0)).size(), 1);
    FLedger = FDir.Write("ledger.txt", "");
    EXPECT_EQ(RunPass(At(2021, 6, 23, 12)).size(), 2);
}

TEST_F(StationPassTest, OnlyRegularFilesAreProducts)
{
    // A FIFO, a socket or a device named like a product has no delay to
    // measure; a link to a regular product file is a product.
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.grb", 60000);
    WriteProduct(FDir, "elsewhere/real.grb", 7000);
    const QByteArray day = QFile::encodeName(FDir.Path() + "data/2021/06/23/");
    ASSERT_EQ(mkfifo((day + "202106230000-crm.grb").constData(), 0644), 0);
    const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = day + "202106230015-crm.grb";
    ASSERT_LT(static_cast<size_t>(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    ASSERT_EQ(bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(symlink("/dev/null", (day + "202106230030-crm.grb").constData()), 0);
    ASSERT_EQ(symlink("nowhere", (day + "202106230045-crm.grb").constData()), 0);
    ASSERT_EQ(symlink(QFile::encodeName(FDir.Path() + "elsewhere/real.grb").constData(),
                      (day + "202106230100-crm.grb").constData()),
              0);
    const QStringList lines = RunPass(At(2021, 6, 23, 12.5));
    close(socketFd);
    EXPECT_EQ(lines, QStringList({"202106230100-crm.grb=7", "202106231200-crm.grb=60"}));
}

TEST_F(StationPassTest, EntriesFollowWhatTheSaveMergedAndAStopEndsTheWalk)
{
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.grb", 60000);
    SetClockForTesting([] { return At(2021, 6, 23, 12.5); });
    TStationPass pass({FData, FLedger}, {});
    pass.RequestStop();
    pass.Walk(pass.DataFolder());
    EXPECT_EQ(pass.ProductsRecorded(), 0);
    EXPECT_EQ(pass.Entries().NewestProduct(), nullptr);
    // Another run saved meanwhile: its line is merged in and read by the reports.
    FDir.Write("ledger.txt", "202106221200-crm.grb=5\r\n");
    ASSERT_TRUE(pass.Save());
    const TLedgerEntry* newest = pass.Entries().NewestProduct();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->Name, "202106221200-crm.grb");
    EXPECT_EQ(newest->Seconds, 5);
}

// A second argument that names no file is noted with the ledger used instead;
// a station whose walk finds no day folder and whose ledger is empty
// watches nothing, which the pass tells, folder and setting named.
TEST_F(StationPassTest, ALedgerArgumentThatIsNoFileIsNotedAndAnEmptyStationSaysSo)
{
    SetClockForTesting([] { return At(2021, 6, 23, 12.5); });
    TScopedEnvironment config("XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config"));
    const struct
    {
        QString ledger;
        const char* note;
    } cases[] = {
        {FDir.MakeDir("folder"), " is a folder; using "},
        {FDir.FilePath("typo.txt"), " is not an existing file; using "},
    };
    for (const auto& c : cases) {
        QStringList told;
        TStationPass pass({FData, c.ledger}, [&told](const QString& message) { told.append(message); });
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told[0], "the ledger " + c.ledger + c.note + pass.LedgerFile());
        EXPECT_NE(pass.LedgerFile(), c.ledger);
        pass.Walk(pass.DataFolder());
        EXPECT_EQ(pass.DayFoldersFound(), 0);
        EXPECT_EQ(pass.WatchesNothing(), "the data folder " + FData +
                                             "/ (the first argument) holds no day folder "
                                             "yyyy/mm/dd/ the walk searched, and the ledger " +
                                             pass.LedgerFile() + " has no product");
    }
    FDir.MakeDir("data/2021/06/22");
    TStationPass pass({FData, FLedger}, {});
    pass.Walk(pass.DataFolder());
    EXPECT_EQ(pass.DayFoldersFound(), 1);
    EXPECT_EQ(pass.WatchesNothing(), "");
}

}  // namespace
