// The real program against the faults that used to cost ledgers: paths that
// are not UTF-8, a lock held by another process, a binary ledger, output
// links planted by another user, image writes to a full disk, and SIGKILL
// during the save. (Each fault of the ledger itself is tested once, by the
// ledger's own tests; here only what the program adds.)
#include "station/Ledger.h"
#include "platform/PathBytes.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QByteArray& path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

using ::ReadBytes;  // of a QString path, beside the one of bytes above

bool Exists(const QByteArray& path)
{
    struct stat st
    {};
    return ::lstat(path.constData(), &st) == 0;
}

QStringList Loaded(const QString& path)
{
    TSortedStringList list;
    QString error;
    LoadLedger(list, path, error);
    return list.ToStringList();
}

// Single quotes for the shell.
QString Quoted(const QString& text) { return "'" + QString(text).replace("'", "'\\''") + "'"; }

TRun Bash(const QString& script, const QProcessEnvironment& env, int timeoutMs = 120000)
{
    return RunProgram("/bin/bash", {"-c", script}, env, timeoutMs);
}

class LedgerFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OpenToEveryone(FDir.Path());
        // A copy of the program that every user can run; a default ledger
        // would land beside it, where the tests look for one.
        FProgram = CopyProgram(FDir.MakeDir("bin"));
        ASSERT_FALSE(FProgram.isEmpty());
        ::chmod(EncodePath(FDir.FilePath("bin")).constData(), 0755);
        FData = FDir.FilePath("data");
        const QString manifest = FDir.FilePath("manifest.txt");
        ASSERT_EQ(RunProgram(DEMO_DATA_BIN, {"--days", "3", "--manifest", manifest, FData}, BareEnvironment()).ExitCode,
                  0);
        FProducts = ManifestProducts(manifest);
        ASSERT_GE(FProducts, 4);
    }

    QProcessEnvironment Env() const
    {
        QProcessEnvironment env = BareEnvironment();
        env.insert("XDG_CONFIG_HOME", FDir.FilePath("config"));
        env.insert("XDG_DATA_HOME", FDir.FilePath("share"));
        return env;
    }

    TRun Run(const QStringList& arguments, QProcessEnvironment env = QProcessEnvironment()) const
    {
        return RunProgram(FProgram, arguments, env.isEmpty() ? Env() : env, 120000);
    }

    // The same as the user nobody, through setpriv.
    TRun RunAsNobody(const QStringList& arguments, const QProcessEnvironment& env) const
    {
        QProcess process;
        QProcessEnvironment e = OwnHome(env);
        e.insert("HOME", "/tmp");
        process.setProcessEnvironment(e);
        process.start("setpriv",
                      QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", FProgram} + arguments);
        return Finish(process, 120000);
    }

    bool NoDefaultLedger() const
    {
        return !QFileInfo::exists(FDir.FilePath("bin/CRM-received.txt")) &&
               !QFileInfo::exists(FDir.FilePath("share/lagwatch"));
    }

    TempDir FDir;
    QString FProgram, FData;
    int FProducts = 0;  // in FData
};

TEST_F(LedgerFaults, PathsThatAreNotUtf8ReachTheFileSystemByteForByte)
{
    // The reproduction, with the output files named so too.
    const QString script =
        QString(
            "cd %1 && %2 --days 3 $'lat\\xe4' >/dev/null && printf '200101010000-crm.grb=5\\r\\n' > $'led\\xe4.txt' && "
            "exec %3 $'lat\\xe4' $'led\\xe4.txt' -close $'-csv=out\\xe4.csv' $'-metrics=m\\xe4.prom' "
            "$'-png=chart\\xe4.png'")
            .arg(Quoted(FDir.Path()), Quoted(DEMO_DATA_BIN), Quoted(FProgram));
    const TRun run = Bash(script, Env());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err, "");
    const QByteArray base = EncodePath(FDir.Path());
    EXPECT_TRUE(Exists(base + "lat\xe4"));
    EXPECT_FALSE(Exists(base + "lat\xef\xbf\xbd"));
    const QByteArray ledger = ReadBytes(base + "led\xe4.txt");
    EXPECT_TRUE(ledger.startsWith("200101010000-crm.grb=5\r\n")) << ledger.constData();
    EXPECT_EQ(ledger.count("-crm.grb="), FProducts + 1) << ledger.constData();
    EXPECT_TRUE(Exists(base + "led\xe4.txt.lock"));
    EXPECT_TRUE(NoDefaultLedger());
    EXPECT_EQ(ReadBytes(base + "out\xe4.csv").count("-crm.grb"), FProducts + 1);
    EXPECT_TRUE(ReadBytes(base + "m\xe4.prom").contains("lagwatch_"));
    EXPECT_TRUE(ReadBytes(base + "chart\xe4.png").startsWith("\x89PNG"));

    // A data folder of that kind that does not exist is named with its own bytes.
    const TRun missing =
        Bash(QString("cd %1 && exec %2 $'gone\\xe4' $'led\\xe4.txt' -close").arg(Quoted(FDir.Path()), Quoted(FProgram)),
             Env());
    EXPECT_EQ(missing.ExitCode, 1);
}

TEST_F(LedgerFaults, AHeldLockFailsTheRunAfterTheWaitAndTheNextRunRecords)
{
    REQUIRE_TOOL(flock, "flock");
    const QString ledger = FDir.Write("ledger.txt", "200101010000-crm.grb=5\r\n");
    FDir.Write("ledger.txt.lock", "");  // as an earlier run left it
    QProcessEnvironment env = Env();
    env.insert("LAGWATCH_LOCK_WAIT", "1");
    {
        // Anyone who can read the lock file can hold it shared.
        TLockHolder holder(ledger + ".lock", "-s");
        QElapsedTimer took;
        took.start();
        const TRun run = Run({FData, ledger, "-close"}, env);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_GE(took.elapsed(), 1000);
        EXPECT_EQ(run.Err, "lagwatch: waiting for the lock of the ledger " + ledger +
                               ", which another process holds; giving up after 1 s\n"
                               "lagwatch: cannot save the ledger " +
                               ledger + ": another process holds its lock; gave up after 1 s\n");
        EXPECT_EQ(ReadBytes(ledger), "200101010000-crm.grb=5\r\n");
    }
    const TRun next = Run({FData, ledger, "-close"}, env);
    EXPECT_EQ(next.ExitCode, 0) << next.Err.toStdString();
    EXPECT_EQ(Loaded(ledger).size(), FProducts + 1);
}

// How the program reports a ledger it cannot read (the ledger's tests cover
// each kind: UTF-16, no text, too large for the memory): one line for the
// read, one for the save it leaves out, status 1, the file untouched.
TEST_F(LedgerFaults, ALedgerThatIsNoTextIsReportedAndLeftUntouched)
{
    QByteArray binary(5000, '\0');
    binary.replace(0, 4,
                   "\x7f"
                   "ELF");
    const QString ledger = FDir.Write("ledger.txt", binary);
    const TRun run = Run({FData, ledger, "-close"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "lagwatch: cannot read the ledger " + ledger +
                           ": it is not a text file\n"
                           "lagwatch: ledger left untouched, cannot read " +
                           ledger + ": it is not a text file\n");
    EXPECT_TRUE(run.Out.startsWith("Lagwatch - ")) << run.Out.toStdString();
    EXPECT_EQ(ReadBytes(ledger), binary);
}

TEST_F(LedgerFaults, AnImageThatCannotBeWrittenIsAFailureAndLeavesNoFile)
{
    const QString ledger = FDir.Write("ledger.txt", "");
    TRun run = Run({FData, ledger, "-close", "-png=/dev/full"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "lagwatch: cannot write the image /dev/full: No space left on device\n");
    EXPECT_EQ(Loaded(ledger).size(), FProducts);  // the ledger is saved all the same

    // -png writes a PNG whatever the name.
    for (const char* name : {"chart.jpg", "chart.img", "chart"}) {
        run = Run({FData, ledger, "-close", "-png=" + FDir.FilePath(name)});
        EXPECT_EQ(run.ExitCode, 0) << name << ": " << run.Err.toStdString();
        EXPECT_TRUE(ReadBytes(FDir.FilePath(name)).startsWith("\x89PNG\r\n")) << name;
    }

    QProcessEnvironment offscreen = BareEnvironment();
    offscreen.insert("QT_QPA_PLATFORM", "offscreen");
    const QStringList grid = {"--preset", "DiscMapping", "grid", "-"};
    // The map tool names the format by the extension, so a device needs a link
    // with one; the write goes through the link into the device.
    const QString fullPng = FDir.FilePath("full.png");
    ASSERT_TRUE(QFile::link("/dev/full", fullPng));
    run = RunProgram(LAGWATCH_MAP_BIN, grid + QStringList{fullPng}, offscreen);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "lagwatch-map: cannot write the image " + fullPng + ": No space left on device\n");

    if (!IsRoot()) {
        if (MaySkipWithoutRoot())
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        FAIL() << "mounting a small tmpfs needs root";
    }
    TTmpfs disk(FDir.Path(), 1 << 20);
    ASSERT_TRUE(disk.Mounted()) << disk.Error().toStdString();
    const QByteArray before = "an older chart";
    FDir.Write(disk.Path().mid(FDir.Path().size()) + "old.png", before);
    FillFileSystem(disk.Path(), 0);
    const QString png = disk.Path() + "chart.png", old = disk.Path() + "old.png";
    run = Run({FData, ledger, "-close", "-png=" + png});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "lagwatch: cannot write the image " + png + ": No space left on device\n");
    run = Run({FData, ledger, "-close", "-png=" + old});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(ReadBytes(old), before);
    run = RunProgram(LAGWATCH_MAP_BIN, grid + QStringList{png}, offscreen);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "lagwatch-map: cannot write the image " + png + ": No space left on device\n");
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"filler", "old.png"}));
}

// Root's run writing its outputs into a shared sticky folder where the user
// nobody planted links to a file of root's: each output is refused with one
// line and status 1, and the file stays as it was.
TEST_F(LedgerFaults, OutputLinksPlantedByAnotherUserAreRefused)
{
    REQUIRE_ROOT("a second user needs root");
    const QString target = FDir.Write("etc/some-file", "root's own\n");
    const QString shared = FDir.MakeDir("shared");
    ::chmod(EncodePath(shared).constData(), 01777);
    const QString ledger = FDir.Write("ledger.txt", "");
    for (const char* option : {"-metrics=", "-csv=", "-png="}) {
        SCOPED_TRACE(option);
        const QString link = shared + "/out";
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        ASSERT_EQ(::lchown(EncodePath(link).constData(), NobodyUid, NobodyGid), 0);
        const TRun run = Run({FData, ledger, "-close", option + link});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Err.endsWith(link + ": " + link + " is another user's symbolic link in a shared folder\n"))
            << run.Err.toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1) << run.Err.toStdString();
        EXPECT_EQ(ReadBytes(target), "root's own\n");
    }
}

// The program saves through the ledger's own save, whose kills at every
// moment the ledger's tests cover (a normal save and the rewrite in place);
// here the real program is killed at the steps of its save.
TEST_F(LedgerFaults, KilledDuringTheSaveTheLedgerStaysWhole)
{
    REQUIRE_TOOL(strace, "strace");
    QByteArray old;
    for (int i = 0; i < 20000; ++i)
        old += "19" + QByteArray::number(1000000000 + i) + "-crm.grb=" + QByteArray::number(i % 5000) + "\r\n";
    const QString ledger = FDir.Write("ledger.txt", old);
    const QStringList oldLines = Loaded(ledger);
    struct Case
    {
        const char* step;
        bool saved;
    };
    const Case cases[] = {
        {"fsync:when=1", false},   // the new text written beside the ledger, not yet in place
        {"rename:when=1", false},  // as it is put in place
        {"fsync:when=2", true},    // in place, its folder not yet synced
    };
    for (const Case& c : cases) {
        FDir.Write("ledger.txt", old);
        RunSignalledAt(strace, {QString(c.step) + ":signal=KILL"}, {}, FProgram, {FData, ledger, "-close"}, Env());
        EXPECT_EQ(Loaded(ledger).size(), oldLines.size() + (c.saved ? FProducts : 0)) << c.step;
    }
    // The next run removes what a killed save left beside the ledger.
    ASSERT_EQ(Run({FData, ledger, "-close"}).ExitCode, 0);
    EXPECT_EQ(Loaded(ledger).size(), oldLines.size() + FProducts);
    EXPECT_EQ(QDir(FDir.Path()).entryList(QStringList{".ledger.txt.*"}, QDir::Files | QDir::Hidden), QStringList());

    // In a folder the user cannot write: the rewrite in place, which leaves
    // nothing beside the ledger and no journal in it.
    REQUIRE_ROOT("the user nobody needs root");
    const QString folder = FDir.MakeDir("ro") + "/";
    const QString inPlace = FDir.Write("ro/ledger.txt", old);
    ASSERT_EQ(::chown(EncodePath(inPlace).constData(), NobodyUid, NobodyGid), 0);
    ::chmod(EncodePath(folder).constData(), 0555);
    QProcessEnvironment user = Env();
    user.insert("HOME", "/tmp");
    const TRun last = RunAsNobody({FData, inPlace, "-close"}, user);
    EXPECT_EQ(last.ExitCode, 0) << last.Err.toStdString();
    EXPECT_EQ(Loaded(inPlace).size(), Loaded(ledger).size());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ledger.txt"});
    EXPECT_EQ(ReadBytes(inPlace).count('\0'), 0);  // no journal left
    ::chmod(EncodePath(folder).constData(), 0755);
}

}  // namespace
