// The real program as cron, a systemd timer or an ssh session starts it: no
// locale, no display or a dead one, typos on the command line, stop signals.
// Every run has a time limit, so a hang fails the test instead of stalling it.
#include "station/DayWalk.h"
#include "station/Utils.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::set<QString> LedgerNames(const QString& path)
{
    std::set<QString> names;
    for (const QByteArray& line : ReadBytes(path).split('\n')) {
        const QString text = QString::fromUtf8(line).remove('\r');
        if (text.contains('='))
            names.insert(text.left(text.indexOf('=')));
    }
    return names;
}

TDateTime Today() { return std::floor(NowUTC()); }

QString DayDigits(TDateTime day) { return ExpectedName1200(day).left(8); }

// A product file of the given day, written 10 minutes before it was created.
void WriteProduct(const TempDir& dir, const QString& dataFolder, TDateTime day, const QString& suffix)
{
    const QString relative = DayFolder(dataFolder, day) + DayDigits(day) + suffix;
    dir.Write(relative, "grib");
    SetLastWriteMs(dir.FilePath(relative), QDateTime::currentMSecsSinceEpoch() - 600000);
}

class ScheduledRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FData = FDir.MakeDir("data") + "/";
        FLedger = FDir.Write("ledger.txt", "");
        // Today's of midnight: a product named later may lie ahead of the clock.
        WriteProduct(FDir, "data/", Today(), "0000-crm.grb");
        WriteProduct(FDir, "data/", Today() - 1, "1315-crm.grb");
    }

    QProcessEnvironment Env() const
    {
        QProcessEnvironment env = BareEnvironment();
        env.insert("XDG_CONFIG_HOME", FDir.FilePath("config"));
        env.insert("XDG_DATA_HOME", FDir.FilePath("share"));
        return env;
    }

    TempDir FDir;
    QString FData, FLedger;
};

TEST_F(ScheduledRun, ATypoEndsAtOnceAndTouchesNothing)
{
    const QByteArray before = "202101011200-crm.grb=5\r\n";
    QFile::remove(FLedger);
    FDir.Write("ledger.txt", before);
    const QString hint = "Try 'lagwatch --help' for more information.\n";
    struct Case
    {
        QStringList args;
        int status;
        QString err;
        QString out;
    };
    const Case cases[] = {
        {{"-clsoe"}, 2, "lagwatch: unknown option '-clsoe'\n" + hint, ""},
        {{FData, FLedger, "--close"}, 2, "lagwatch: unknown option '--close'\n" + hint, ""},
        {{FData, FLedger, "-close", "--png", "x.png"}, 2, "lagwatch: unknown option '--png'\n" + hint, ""},
        {{FData, FLedger, "-check", "-critical=soon"},
         3,
         "lagwatch: option '-critical' needs a number of minutes, not 'soon'\n" + hint,
         "LAGWATCH UNKNOWN - option '-critical' needs a number of minutes, not 'soon'\n"},
    };
    for (const Case& c : cases) {
        const TRun run = RunProgram(LAGWATCH_BIN, c.args, Env(), 30000);
        EXPECT_EQ(run.ExitCode, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(run.Err, c.err) << c.args.join(' ').toStdString();
        EXPECT_EQ(run.Out, c.out) << c.args.join(' ').toStdString();
        EXPECT_EQ(ReadBytes(FLedger), before);
    }
    EXPECT_FALSE(QFileInfo::exists(FLedger + ".lock"));

    // --help answers wherever it stands, and nothing is read or written.
    const TRun help = RunProgram(LAGWATCH_BIN, {FData, FLedger, "-close", "--help"}, Env(), 30000);
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.startsWith("Usage: lagwatch")) << help.Out.toStdString();
    EXPECT_EQ(ReadBytes(FLedger), before);
}

TEST_F(ScheduledRun, WithoutADisplayTheRunEndsAfterThePass)
{
    // No -close: nobody could close the off-screen window, so the run ends by itself.
    const TRun run = RunProgram(LAGWATCH_BIN, {FData, FLedger}, Env(), 60000);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err, "lagwatch: no display; drawing off-screen, the run ends after the scan\n");
    EXPECT_TRUE(run.Out.startsWith("Lagwatch - latest data was from ")) << run.Out.toStdString();
    EXPECT_EQ(LedgerNames(FLedger).size(), 2u);

    // With the switch there is nothing to say.
    const TRun closing = RunProgram(LAGWATCH_BIN, {"-close", FData, FLedger}, Env(), 60000);
    EXPECT_EQ(closing.ExitCode, 0);
    EXPECT_EQ(closing.Err, "");
}

TEST_F(ScheduledRun, ADeadDisplayFallsBackToDrawingOffScreen)
{
    int number = 90;
    while (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)) ||
           QFileInfo::exists(QString("/tmp/.X%1-lock").arg(number)))
        ++number;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        QProcessEnvironment env = Env();
        const QString named = variable == QByteArray("DISPLAY") ? QString(":%1").arg(number) : "wayland-dead";
        env.insert(variable, named);
        FDir.Write("ledger.txt", "");
        const TRun run = RunProgram(LAGWATCH_BIN, {FData, FLedger}, env, 60000);
        ASSERT_EQ(run.ExitCode, 0) << variable << ": " << run.Err.toStdString();  // -2 would be an abort
        EXPECT_EQ(run.Err,
                  "lagwatch: cannot open the display " + named + "; drawing off-screen, the run ends after the scan\n");
        EXPECT_EQ(LedgerNames(FLedger).size(), 2u) << variable;
    }
}

TEST_F(ScheduledRun, OnALiveDisplayTheWindowStaysUntilClosedOrStopped)
{
    REQUIRE_TOOL(xvfb, "Xvfb");
    int number = 70;
    while (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)) ||
           QFileInfo::exists(QString("/tmp/.X%1-lock").arg(number)))
        ++number;
    QProcess server;
    server.start(xvfb, {QString(":%1").arg(number), "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    QElapsedTimer waited;
    waited.start();
    // The waits together stay well within the CTest entry's 600 s, so that a hang prints its logs.
    while (!QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)) && waited.elapsed() < 60000)
        QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number))) << "Xvfb did not start";
    QProcessEnvironment env = Env();
    env.insert("DISPLAY", QString(":%1").arg(number));

    const TRun closing = RunProgram(LAGWATCH_BIN, {FData, FLedger, "-close"}, env, 60000);
    EXPECT_EQ(closing.ExitCode, 0);
    EXPECT_EQ(closing.Err, "");
    EXPECT_EQ(LedgerNames(FLedger).size(), 2u);

    // Without the switch the window waits for its user; a scheduler's stop ends it cleanly.
    FDir.Write("ledger.txt", "");
    QProcess desk;
    desk.setProcessEnvironment(OwnHome(env));
    const QString png = FDir.FilePath("chart.png");
    desk.start(LAGWATCH_BIN, {FData, FLedger, "-png=" + png});
    ASSERT_TRUE(desk.waitForStarted());
    // Its pass over (the chart written), it keeps running.
    waited.restart();
    while (!QFileInfo::exists(png) && !desk.waitForFinished(50) && waited.elapsed() < 180000) {}
    ASSERT_TRUE(QFileInfo::exists(png));
    EXPECT_FALSE(desk.waitForFinished(1000)) << "the window closed by itself";
    SendSignal(desk, SIGTERM);
    const TRun stopped = Finish(desk, 60000);
    EXPECT_EQ(stopped.ExitCode, 128 + SIGTERM);
    EXPECT_EQ(stopped.Err, "lagwatch: stopped by signal 15 (Terminated); the ledger keeps what was recorded\n");
    EXPECT_EQ(LedgerNames(FLedger).size(), 2u);
    server.terminate();
    server.waitForFinished(10000);
}

TEST_F(ScheduledRun, TheConfiguredStationRunsWithTheSwitchAlone)
{
    FDir.Write("config/Ashgrove/Datawarden.conf", "[General]\nImagesPath=" + QFile::encodeName(FData) + "\n");
    // A copy of the program, so that its default ledger lands in the test's folder.
    const QString program = CopyProgram(FDir.MakeDir("bin"));
    ASSERT_FALSE(program.isEmpty());
    const TRun run = RunProgram(program, {"-close"}, Env(), 60000);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("Lagwatch - latest data was from ")) << run.Out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(FDir.FilePath("bin/-close")));
}

TEST_F(ScheduledRun, AMissingDataFolderIsAFailureButTheLedgerIsSaved)
{
    const TRun missing = RunProgram(LAGWATCH_BIN, {FDir.FilePath("absent"), FLedger, "-close"}, Env(), 60000);
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Err, "lagwatch: the data folder " + FDir.FilePath("absent") + "/ does not exist\n");
    EXPECT_TRUE(missing.Out.startsWith("Lagwatch - today is ")) << missing.Out.toStdString();
    EXPECT_TRUE(QFileInfo(FLedger).isFile());

    // A folder whose name is not valid UTF-8 is walked all the same; a
    // product whose name is not is said and left out (the ledger could not
    // hold its name exactly).
    const QByteArray badName = DayFolder("", Today()).toUtf8() + DayDigits(Today()).toUtf8() + "1315-\xff-crm.grb";
    ::close(::open((QFile::encodeName(FData) + badName).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    const QByteArray odd = QFile::encodeName(FDir.Path()) + "st\xff";
    ASSERT_EQ(::rename(QFile::encodeName(FData).constData(), odd.constData()), 0);
    const QString script =
        QString("exec '%1' \"$(printf '%2st\\377')\" '%3' -close").arg(LAGWATCH_BIN, FDir.Path(), FLedger);
    const TRun run = RunProgram("/bin/bash", {"-c", script}, Env(), 60000);
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err, QString::fromUtf8("lagwatch: not recorded, the file name is not valid UTF-8: " + odd + "/" +
                                         badName + "\n"));
    EXPECT_EQ(LedgerNames(FLedger).size(), 2u);
    ::rename(odd.constData(), QFile::encodeName(FData).constData());
}

TEST_F(ScheduledRun, EveryLocaleGivesTheSameLedger)
{
    // Two spellings of one product on a case-sensitive file system, and a
    // hand-edited ledger in no particular order.
    WriteProduct(FDir, "data/", Today() - 2, "1200-CRM.GRB");
    WriteProduct(FDir, "data/", Today() - 2, "1200-crm.grb");
    const QByteArray edited = "b=2\r\na=1\r\nB=2\r\n\xc3\x89=1\r\n\xc3\xa9=1\r\n";
    QByteArray first;
    for (const char* locale : {"", "C", "C.UTF-8", "POSIX", "en_US.UTF-8"}) {
        FDir.Write("ledger.txt", edited);
        QProcessEnvironment env = Env();
        if (*locale)
            env.insert("LC_ALL", locale);
        const TRun run = RunProgram(LAGWATCH_BIN, {FData, FLedger, "-close"}, env, 60000);
        ASSERT_EQ(run.ExitCode, 0) << locale << run.Err.toStdString();
        const QByteArray saved = ReadBytes(FLedger);
        if (first.isEmpty()) {
            first = saved;
            // Products first (digits), then the letters, case ignored.
            const QList<QByteArray> lines = saved.split('\n');
            ASSERT_EQ(lines.size(), 7);
            EXPECT_EQ(lines.mid(3), (QList<QByteArray>{"a=1\r", "b=2\r", "\xc3\x89=1\r", ""}));
            EXPECT_EQ(saved.count(DayDigits(Today() - 2).toUtf8() + "1200-crm.grb="), 1);
        }
        EXPECT_EQ(saved, first) << "locale '" << locale << "'";
    }
}

TEST_F(ScheduledRun, SigtermMidWalkKeepsEveryProductRecordedSoFar)
{
    REQUIRE_TOOL(strace, "strace");
    for (int back = 0; back < 10; ++back)
        for (const char* suffix : {"1200-crm.grb", "1315-crm.grb"})
            WriteProduct(FDir, "data/", Today() - back, suffix);
    // The stop arrives while the walk lists the fifth day back.
    const TRun run = RunSignalledAt(strace, {"getdents64:signal=TERM:when=1"}, DayFolder(FData, Today() - 4).chopped(1),
                                    LAGWATCH_BIN, {FData, FLedger, "-close"}, Env());
    ASSERT_EQ(run.ExitCode, 128 + SIGTERM) << run.Err.toStdString();
    // Whole days from today back to that one, and nothing older.
    std::set<QString> expected{DayDigits(Today()) + "0000-crm.grb"};
    for (int back = 0; back <= 4; ++back)
        expected.insert({DayDigits(Today() - back) + "1200-crm.grb", DayDigits(Today() - back) + "1315-crm.grb"});
    EXPECT_EQ(LedgerNames(FLedger), expected);
}

TEST_F(ScheduledRun, SignalsDuringTheSaveDoNotInterruptIt)
{
    REQUIRE_TOOL(strace, "strace");
    QByteArray big;
    const int lines = 1000;
    for (int i = 0; i < lines; ++i)
        big += "19" + QByteArray::number(1000000000 + i) + "-crm.grb=" + QByteArray::number(i % 5000) + "\r\n";
    QFile::remove(FLedger);
    FDir.Write("ledger.txt", big);
    // A stop signal when the new text is written but not yet in place, another as it replaces the ledger.
    const TRun run = RunSignalledAt(strace, {"fsync:signal=TERM:when=1", "rename:signal=INT"}, {}, LAGWATCH_BIN,
                                    {FData, FLedger, "-close"}, Env());
    EXPECT_EQ(run.ExitCode, 128 + SIGTERM) << run.Err.toStdString();
    const QByteArray saved = ReadBytes(FLedger);
    EXPECT_TRUE(saved.startsWith(big.left(1000)));
    EXPECT_EQ(LedgerNames(FLedger).size(), size_t(lines) + 2u);
    EXPECT_TRUE(saved.endsWith("\r\n"));
}

}  // namespace
