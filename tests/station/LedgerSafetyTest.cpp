// The ledger is never lost, with the faults really happening: a full tmpfs,
// a second user (nobody) on the same ledger, SIGKILL at random moments of the
// normal save and of the rewrite in place, two savers on the rewrite in place,
// a lock file that cannot be used, a planted link, a lock that is held, files
// in foreign encodings or no text at all, and memory that runs out.
#include "station/Ledger.h"

#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <limits>
#include <memory>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QStringList Loaded(const QString& path, QString* error = nullptr, TLoadResult* result = nullptr)
{
    TSortedStringList list;
    QString e;
    const TLoadResult r = LoadLedger(list, path, e);
    if (error)
        *error = e;
    if (result)
        *result = r;
    return list.ToStringList();
}

QByteArray LedgerText(const QString& prefix, int count, int from = 0)
{
    QByteArray text;
    for (int i = from; i < from + count; ++i)
        text += (prefix + QString::number(10000000 + i) + "-crm.grb=" + QString::number(i % 4000) + "\r\n").toUtf8();
    return text;
}

// Adds lines to what the file holds and saves, as a run does.
bool AddAndSave(const QString& path, const QStringList& lines, QString* error = nullptr,
                const TLedgerWait& wait = TLedgerWait())
{
    TSortedStringList list;
    QString e;
    if (LoadLedger(list, path, e, wait) == TLoadResult::Failed) {
        if (error)
            *error = e;
        return false;
    }
    for (const QString& line : lines)
        list.Add(line);
    const bool saved = SaveLedger(list, path, e, wait);
    if (error)
        *error = e;
    return saved;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t ModeOf(const QString& path)
{
    struct stat st
    {};
    ::lstat(EncodePath(path).constData(), &st);
    return st.st_mode & 07777;
}

uid_t OwnerOf(const QString& path)
{
    struct stat st
    {};
    ::lstat(EncodePath(path).constData(), &st);
    return st.st_uid;
}

TLedgerWait ShortWait(int limitMs, QStringList* announced = nullptr)
{
    TLedgerWait wait;
    wait.Wait.Limit = std::chrono::milliseconds(limitMs);
    wait.Wait.AnnounceAfter = std::chrono::milliseconds(limitMs / 3);
    if (announced)
        wait.Announce = [announced](const QString& message) { announced->append(message); };
    return wait;
}

// A folder that the user nobody can read but not write (as root: owned by
// root; as an ordinary user: mode 0555), holding a ledger nobody can write.
struct TReadOnlyFolder
{
    explicit TReadOnlyFolder(const TempDir& dir, const QByteArray& ledgerText)
    {
        OpenToEveryone(dir.Path());
        Folder = dir.MakeDir("ro") + "/";
        Ledger = dir.Write("ro/ledger.txt", ledgerText);
        ::chmod(EncodePath(Ledger).constData(), 0666);
        if (IsRoot() && ::chown(EncodePath(Ledger).constData(), NobodyUid, NobodyGid) != 0)
            ADD_FAILURE() << "chown";
        ::chmod(EncodePath(Folder).constData(), 0555);
    }
    ~TReadOnlyFolder() { ::chmod(EncodePath(Folder).constData(), 0755); }
    QString Folder, Ledger;
};

// ---------------------------------------------------------------- the lock

// Root and the ordinary user each add 40 lines to the ledger (which holds one
// line), saving after every line, at the same time: no line may be lost.
void SaveInTurnsAsRootAndUser(const QString& ledger)
{
    const int rounds = 40;
    auto saver = [&](const char* prefix) {
        return [&, prefix] {
            for (int i = 0; i < rounds; ++i) {
                QString error;
                if (!AddAndSave(ledger, {QString("%1%2=%3").arg(prefix).arg(i).arg(i)}, &error)) {
                    std::fprintf(stderr, "%s\n", error.toUtf8().constData());
                    return false;
                }
            }
            return true;
        };
    };
    const pid_t rootSaver = StartChild(saver("root"), false);
    const pid_t userSaver = StartChild(saver("user"), true);
    EXPECT_EQ(WaitChild(rootSaver), 0);
    EXPECT_EQ(WaitChild(userSaver), 0);
    EXPECT_EQ(Loaded(ledger).size(), 1 + 2 * rounds);
}

TEST(LedgerLock, ALockFileAnotherUserMadeIsStillTaken)
{
    REQUIRE_ROOT("a second user needs root");
    // Root's timer made the lock file (0644, root's); the desktop user cannot
    // open it for writing. Both save in turns at the same time: no line of
    // either may be lost.
    TempDir dir;
    OpenToEveryone(dir.Path());
    const QString folder = dir.MakeDir("shared") + "/";
    ::chmod(EncodePath(folder).constData(), 0777);
    const QString ledger = dir.Write("shared/ledger.txt", "");
    ::chmod(EncodePath(ledger).constData(), 0666);
    ASSERT_TRUE(AddAndSave(ledger, {"000=0"}));
    ASSERT_EQ(ModeOf(ledger + ".lock"), 0666u);  // the ledger's own permissions
    ::chmod(EncodePath(ledger + ".lock").constData(), 0644);

    SaveInTurnsAsRootAndUser(ledger);
    EXPECT_EQ(OwnerOf(ledger + ".lock"), 0u);
}

TEST(LedgerLock, ALockFileNobodyCanOpenLeavesTheLockOnTheLedger)
{
    REQUIRE_ROOT("a second user needs root");
    // A lock file the desktop user cannot even read: its saves lock the
    // ledger itself, which root's saves lock too.
    TempDir dir;
    OpenToEveryone(dir.Path());
    const QString folder = dir.MakeDir("shared") + "/";
    ::chmod(EncodePath(folder).constData(), 0777);
    const QString ledger = dir.Write("shared/ledger.txt", "000=0\r\n");
    ::chmod(EncodePath(ledger).constData(), 0666);
    dir.Write("shared/ledger.txt.lock", "");
    ::chmod(EncodePath(ledger + ".lock").constData(), 0600);

    SaveInTurnsAsRootAndUser(ledger);
}

TEST(LedgerLock, TheLockFileGetsTheLedgersPermissionsAndOwner)
{
    TempDir dir;
    const QString ledger = dir.Write("ledger.txt", "a=1\r\n");
    ::chmod(EncodePath(ledger).constData(), 0640);
    const mode_t mask = ::umask(0077);  // a strict umask must not shut other readers out
    const bool saved = AddAndSave(ledger, {"b=2"});
    ::umask(mask);
    ASSERT_TRUE(saved);
    EXPECT_EQ(ModeOf(ledger + ".lock"), 0640u);
    if (IsRoot()) {
        const QString own = dir.Write("own.txt", "a=1\r\n");
        ASSERT_EQ(::chown(EncodePath(own).constData(), NobodyUid, NobodyGid), 0);
        ASSERT_TRUE(AddAndSave(own, {"b=2"}));
        EXPECT_EQ(OwnerOf(own + ".lock"), NobodyUid);
    }
}

TEST(LedgerLock, APlantedLinkOrPipeIsRefused)
{
    // In a world-writable folder another user plants the lock file as a link
    // to a file it wants made, or as a pipe that would block the open.
    TempDir dir;
    OpenToEveryone(dir.Path());
    const QString folder = dir.MakeDir("public") + "/";
    ::chmod(EncodePath(folder).constData(), 01777);
    const QString ledger = dir.Write("public/ledger.txt", "a=1\r\n");
    const QString victim = dir.FilePath("victim");
    const int planted = RunAsNobody(
        [&] { return ::symlink(EncodePath(victim).constData(), EncodePath(ledger + ".lock").constData()) == 0; });
    ASSERT_EQ(planted, 0);
    QString error;
    EXPECT_FALSE(AddAndSave(ledger, {"b=2"}, &error));
    EXPECT_EQ(error, "cannot save the ledger " + ledger + ": the lock file " + ledger +
                         ".lock is a symbolic link; refusing it");
    EXPECT_FALSE(QFileInfo::exists(victim));
    EXPECT_EQ(ReadBytes(ledger), "a=1\r\n");

    ASSERT_TRUE(QFile::remove(ledger + ".lock"));
    ASSERT_EQ(::mkfifo(EncodePath(ledger + ".lock").constData(), 0666), 0);
    EXPECT_FALSE(AddAndSave(ledger, {"b=2"}, &error));
    EXPECT_EQ(error, "cannot save the ledger " + ledger + ": the lock file " + ledger +
                         ".lock is not a regular file; refusing it");
    EXPECT_EQ(ReadBytes(ledger), "a=1\r\n");
}

// Root's run in /tmp: the ledger named there is a link nobody planted to a
// file of root's. The save refuses it, as the output files do.
TEST(LedgerLock, AnotherUsersLinkAsTheLedgerInASharedFolderIsRefused)
{
    REQUIRE_ROOT("a second user needs root");
    TempDir dir;
    OpenToEveryone(dir.Path());
    const QString folder = dir.MakeDir("public") + "/";
    ::chmod(EncodePath(folder).constData(), 01777);
    const QString victim = dir.Write("victim", "root's own\n");
    const QString ledger = folder + "ledger.txt";
    ASSERT_EQ(
        RunAsNobody([&] { return ::symlink(EncodePath(victim).constData(), EncodePath(ledger).constData()) == 0; }), 0);
    QString error;
    EXPECT_FALSE(AddAndSave(ledger, {"b=2"}, &error));
    EXPECT_EQ(error, "cannot save the ledger " + ledger + ": " + ledger +
                         " is another user's symbolic link in a shared folder; refusing it");
    EXPECT_EQ(ReadBytes(victim), "root's own\n");
    EXPECT_FALSE(QFileInfo::exists(ledger + ".lock"));
}

TEST(LedgerLock, AHeldLockFailsTheSaveAfterABoundedWait)
{
    REQUIRE_TOOL(flock, "flock");
    TempDir dir;
    const QString ledger = dir.Write("ledger.txt", "a=1\r\n");
    ASSERT_TRUE(AddAndSave(ledger, {}));  // the lock file exists
    struct Case
    {
        const char* what;
        QString file;
        const char* mode;
        bool loadFails;
    };
    const Case cases[] = {
        {"a shared lock on the lock file", ledger + ".lock", "-s", false},
        {"a shared lock on the ledger", ledger, "-s", false},
        {"an exclusive lock on the ledger", ledger, "-x", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLockHolder holder(c.file, c.mode);
        QStringList announced;
        const TLedgerWait wait = ShortWait(1500, &announced);
        TSortedStringList list;
        QString error;
        QElapsedTimer took;
        took.start();
        const TLoadResult loaded = LoadLedger(list, ledger, error, wait);
        EXPECT_EQ(loaded, c.loadFails ? TLoadResult::Failed : TLoadResult::Loaded);
        if (c.loadFails) {
            EXPECT_EQ(error,
                      "cannot read the ledger " + ledger + ": another process holds its lock; gave up after 1.5 s");
        }
        list.Add("b=2");
        took.restart();
        EXPECT_FALSE(SaveLedger(list, ledger, error, wait));
        EXPECT_GE(took.elapsed(), 1500);  // the whole wait, on the monotonic clock
        EXPECT_EQ(error, "cannot save the ledger " + ledger + ": another process holds its lock; gave up after 1.5 s");
        ASSERT_GE(announced.size(), 1);
        EXPECT_EQ(announced.last(), "waiting for the lock of the ledger " + ledger +
                                        ", which another process holds; giving up after 1.5 s");
        EXPECT_EQ(ReadBytes(ledger), "a=1\r\n");
    }
    // Released, the next save goes through.
    EXPECT_TRUE(AddAndSave(ledger, {"b=2"}));
    EXPECT_EQ(ReadBytes(ledger), "a=1\r\nb=2\r\n");
}

TEST(LedgerLock, AWaitingSaverGoesOnWhenTheLockIsReleased)
{
    REQUIRE_TOOL(flock, "flock");
    TempDir dir;
    const QString ledger = dir.Write("ledger.txt", "a=1\r\n");
    ASSERT_TRUE(AddAndSave(ledger, {}));
    auto holder = std::make_unique<TLockHolder>(ledger + ".lock", "-x");
    // The saver says at once that it waits, and then waits (for a day at most).
    const TReportingChild child = StartReportingChild(
        [&](int report) {
            TLedgerWait wait = ShortWait(86400000);
            wait.Wait.AnnounceAfter = std::chrono::milliseconds(0);
            wait.Announce = [report](const QString&) { Report(report, 1); };
            return AddAndSave(ledger, {"b=2"}, nullptr, wait);
        },
        false);
    qint64 announced = 0;
    ASSERT_TRUE(ReadReport(child.Read, announced));
    ::close(child.Read);
    EXPECT_EQ(ReadBytes(ledger), "a=1\r\n");  // still waiting
    holder.reset();
    EXPECT_EQ(WaitChild(child.Pid), 0);
    EXPECT_EQ(ReadBytes(ledger), "a=1\r\nb=2\r\n");
}

// ------------------------------------------------------- temporary files

TEST(LedgerTemporaries, LeftoversOfKilledSavesAreRemovedUnderTheLock)
{
    TempDir dir;
    const QString ledger = dir.Write("ledger.txt", "a=1\r\n");
    const QStringList ours = {".ledger.txt.AbC123", ".ledger.txt.zzzzzz", ".ledger.txt.000000"};
    const QStringList others = {".ledger.txt.AbC12", ".ledger.txt.AbC1234", ".ledger.txt.AbC-12", ".other.txt.AbC123",
                                "ledger.txt.AbC123", ".ledger.txt.lock",    ".ledger.txt.Dir123"};
    for (const QString& name : ours + others)
        if (name != ".ledger.txt.Dir123")
            dir.Write(name, "leftover");
    dir.MakeDir(".ledger.txt.Dir123");
    ASSERT_TRUE(AddAndSave(ledger, {"b=2"}));
    QStringList expected = others + QStringList{"ledger.txt", "ledger.txt.lock"};
    expected.sort();
    EXPECT_EQ(Entries(dir.Path()), expected);
}

// ------------------------------------------------------------- SIGKILL

// A save in a child process (as nobody when asked): it loads the ledger,
// adds the lines, reports 0 as its save begins and then how many
// microseconds the save took.
TReportingChild StartSave(const QString& ledger, const QStringList& added, bool asNobody)
{
    return StartReportingChild(
        [=](int report) {
            TSortedStringList list;
            QString error;
            if (LoadLedger(list, ledger, error) == TLoadResult::Failed)
                return false;
            for (const QString& line : added)
                list.Add(line);
            Report(report, 0);
            const qint64 start = NowUs();
            const bool saved = SaveLedger(list, ledger, error);
            Report(report, NowUs() - start);
            return saved;
        },
        asNobody);
}

// Kills saves at random moments between their start and the time the
// fastest of three whole saves took; reset puts the old ledger back.
// Checks after every kill; returns the number of kills that left the old ledger.
int KillSaves(const QString& ledger, const QStringList& added, bool asNobody, const std::function<void()>& reset,
              const std::function<bool(int round)>& check, int rounds, const char* what)
{
    qint64 saveUs = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 3; ++i) {
        reset();
        const TReportingChild child = StartSave(ledger, added, asNobody);
        qint64 begun = -1, took = -1;
        const bool reported = ReadReport(child.Read, begun) && ReadReport(child.Read, took);
        ::close(child.Read);
        EXPECT_EQ(WaitChild(child.Pid), 0);
        if (!reported)
            return -1;
        saveUs = std::min(saveUs, took);
    }
    std::mt19937 random(5);
    int keptOld = 0;
    for (int round = 0; round < rounds; ++round) {
        reset();
        const TReportingChild child = StartSave(ledger, added, asNobody);
        qint64 begun = -1;
        ReadReport(child.Read, begun);
        ::usleep(static_cast<useconds_t>(random() % (saveUs + 1)));
        ::kill(child.Pid, SIGKILL);
        WaitChild(child.Pid);
        ::close(child.Read);
        const int result = check(round);
        if (result < 0)
            return -1;
        keptOld += result;
    }
    std::printf("%d kills during %s of %lld us: %d left the old ledger, %d the new\n", rounds, what,
                static_cast<long long>(saveUs), keptOld, rounds - keptOld);
    return keptOld;
}

TEST(LedgerKill, ANormalSaveKilledAtRandomMomentsLeavesTheOldOrTheNewLedger)
{
    TempDir dir;
    const QByteArray old = LedgerText("2020", 10000);
    const QString ledger = dir.Write("ledger.txt", old);
    QStringList added;
    for (int i = 0; i < 10000; ++i)
        added.append("2021" + QString::number(10000000 + i) + "-crm.grb=" + QString::number(i));
    const QByteArray neu = [&] {
        TSortedStringList all;
        for (const QString& l : DecodeTextLines(old) + added)
            all.Add(l);
        return EncodeTextLines(all.ToStringList());
    }();
    int leftovers = 0;
    const int keptOld = KillSaves(
        ledger, added, false, [&] { WriteFile(ledger, old); },
        [&](int round) {
            const QByteArray now = ReadBytes(ledger);
            EXPECT_TRUE(now == old || now == neu) << "round " << round << ", " << now.size() << " bytes";
            leftovers += Entries(dir.Path()).size() > 2;
            return now == old ? 1 : now == neu ? 0 : -1;
        },
        KillRounds(24), "normal saves");
    ASSERT_GE(keptOld, 0);
    std::printf("%d of them left a temporary file\n", leftovers);
    // The next save removes what killed ones left.
    ASSERT_TRUE(AddAndSave(ledger, {"z=1"}));
    EXPECT_EQ(Entries(dir.Path()), QStringList({"ledger.txt", "ledger.txt.lock"}));
}

TEST(LedgerKill, ARewriteInPlaceKilledAtRandomMomentsLeavesTheOldOrTheNewLedger)
{
    TempDir dir;
    const QByteArray old = LedgerText("2020", 10000);
    const TReadOnlyFolder ro(dir, old);
    QStringList added;
    for (int i = 0; i < 10000; ++i)
        added.append("2021" + QString::number(10000000 + i) + "-crm.grb=" + QString::number(i));
    const QStringList oldLines = Loaded(ro.Ledger);
    const QStringList newLines = [&] {
        TSortedStringList all;
        for (const QString& l : oldLines + added)
            all.Add(l);
        return all.ToStringList();
    }();
    ASSERT_EQ(RunAsNobody([&] { return AddAndSave(ro.Ledger, added); }), 0);
    ASSERT_EQ(Loaded(ro.Ledger), newLines);
    ASSERT_EQ(Entries(ro.Folder), QStringList({"ledger.txt"}));  // rewritten in place: nothing else could be made

    int journals = 0;
    const int keptOld = KillSaves(
        ro.Ledger, added, true,
        [&] {
            QFile f(ro.Ledger);  // the same file, back to the old content
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write(old);
        },
        [&](int round) {
            TLoadResult result = TLoadResult::Failed;
            const QStringList now = Loaded(ro.Ledger, nullptr, &result);
            EXPECT_EQ(result, TLoadResult::Loaded);
            EXPECT_TRUE(now == oldLines || now == newLines) << "round " << round << ", " << now.size() << " lines";
            const QByteArray physical = ReadBytes(ro.Ledger);
            journals += physical != old && physical != EncodeTextLines(newLines);
            return now == oldLines ? 1 : now == newLines ? 0 : -1;
        },
        KillRounds(24), "rewrites in place");
    ASSERT_GE(keptOld, 0);
    std::printf("%d of them left a journal\n", journals);
    // The next save finishes or removes what a killed one left.
    ASSERT_EQ(RunAsNobody([&] { return AddAndSave(ro.Ledger, {"z=1"}); }), 0);
    EXPECT_EQ(ReadBytes(ro.Ledger), EncodeTextLines(Loaded(ro.Ledger)));
    EXPECT_EQ(Entries(ro.Folder), QStringList({"ledger.txt"}));
}

TEST(LedgerInPlace, TwoSaversAndAReaderOnTheRewriteInPlaceLoseNothing)
{
    TempDir dir;
    const TReadOnlyFolder ro(dir, LedgerText("2020", 2000));
    const int rounds = 25;
    auto saver = [&](const QString& prefix) {
        return [&, prefix] {
            for (int i = 0; i < rounds; ++i) {
                QStringList lines;
                for (int k = 0; k < 50; ++k)
                    lines.append(QString("%1%2-%3=%4").arg(prefix).arg(i, 3, 10, QChar('0')).arg(k).arg(k));
                QString error;
                if (!AddAndSave(ro.Ledger, lines, &error)) {
                    std::fprintf(stderr, "%s\n", error.toUtf8().constData());
                    return false;
                }
            }
            return true;
        };
    };
    // A reader that loads all the time: every load is a whole ledger, and no
    // ledger has fewer lines than one before it.
    const QRegularExpression line("^(2020\\d{8}-crm\\.grb=\\d+|[ab]\\d{3}-\\d+=\\d+)$");
    const pid_t reader = StartChild(
        [&] {
            qsizetype last = 0;
            for (int i = 0; i < 150; ++i) {
                const QStringList lines = Loaded(ro.Ledger);
                if (lines.size() < last)
                    return false;
                last = lines.size();
                for (const QString& l : lines)
                    if (!line.match(l).hasMatch())
                        return false;
            }
            return true;
        },
        true);
    const pid_t a = StartChild(saver("a"), true);
    const pid_t b = StartChild(saver("b"), true);
    EXPECT_EQ(WaitChild(a), 0);
    EXPECT_EQ(WaitChild(b), 0);
    EXPECT_EQ(WaitChild(reader), 0);
    const QStringList lines = Loaded(ro.Ledger);
    EXPECT_EQ(lines.size(), 2000 + 2 * rounds * 50);
    EXPECT_EQ(ReadBytes(ro.Ledger), EncodeTextLines(lines));
    EXPECT_EQ(Entries(ro.Folder), QStringList({"ledger.txt"}));
}

// ------------------------------------------------------------ full disk

TEST(LedgerFullDisk, ANormalSaveOnAFullDiskKeepsTheOldLedgerAndNoTemporaryFile)
{
    REQUIRE_ROOT("mounting a small tmpfs needs root");
    TempDir dir;
    TTmpfs disk(dir.Path(), 2 << 20);
    ASSERT_TRUE(disk.Mounted()) << disk.Error().toStdString();
    const QByteArray old = LedgerText("2020", 10000);  // about 300 kB
    QStringList added;
    for (int i = 0; i < 10000; ++i)
        added.append("2021" + QString::number(10000000 + i) + "-crm.grb=" + QString::number(i));
    for (qint64 free : {0LL, 4096LL, 150000LL, 450000LL}) {
        SCOPED_TRACE(free);
        QFile::remove(disk.Path() + "filler");
        const QString ledger = WriteFile(disk.Path() + "ledger.txt", old);
        ASSERT_TRUE(AddAndSave(ledger, {}));  // its lock file exists
        FillFileSystem(disk.Path(), free);
        QString error;
        EXPECT_FALSE(AddAndSave(ledger, added, &error));
        EXPECT_EQ(error, "cannot save the ledger " + ledger + ": No space left on device");
        EXPECT_EQ(ReadBytes(ledger), old);
        EXPECT_EQ(Entries(disk.Path()), QStringList({"filler", "ledger.txt", "ledger.txt.lock"}));
    }
    QFile::remove(disk.Path() + "filler");
    EXPECT_TRUE(AddAndSave(disk.Path() + "ledger.txt", added));
    EXPECT_EQ(Loaded(disk.Path() + "ledger.txt").size(), 20000);
}

TEST(LedgerFullDisk, ARewriteInPlaceOnAFullDiskKeepsTheOldLedger)
{
    REQUIRE_ROOT("mounting a small tmpfs needs root");
    // The case: a read-only folder, so the ledger is rewritten in
    // place, on a disk that fills up. Every amount of free space either
    // saves the new ledger or keeps the old one byte for byte.
    TempDir dir;
    OpenToEveryone(dir.Path());
    TTmpfs disk(dir.Path(), 2 << 20);
    ASSERT_TRUE(disk.Mounted()) << disk.Error().toStdString();
    ::chmod(EncodePath(disk.Path()).constData(), 0755);
    const QByteArray old = LedgerText("2020", 10000);
    QStringList added;
    for (int i = 0; i < 10000; ++i)
        added.append("2021" + QString::number(10000000 + i) + "-crm.grb=" + QString::number(i));
    int saved = 0, failed = 0;
    for (qint64 free : {0LL, 4096LL, 150000LL, 350000LL, 650000LL, 1000000LL, 1300000LL}) {
        SCOPED_TRACE(free);
        QFile::remove(disk.Path() + "filler");
        const QString ledger = WriteFile(disk.Path() + "ledger.txt", old);
        ::chown(EncodePath(ledger).constData(), NobodyUid, NobodyGid);
        FillFileSystem(disk.Path(), free);
        const int status = RunAsNobody([&] {
            QString error;
            const bool ok = AddAndSave(ledger, added, &error);
            if (!ok && error != "cannot save the ledger " + ledger + ": No space left on device")
                std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return ok;
        });
        if (status == 0) {
            ++saved;
            EXPECT_EQ(Loaded(ledger).size(), 20000);
            EXPECT_EQ(ReadBytes(ledger), EncodeTextLines(Loaded(ledger)));
        } else {
            ++failed;
            EXPECT_EQ(status, 1);
            EXPECT_EQ(ReadBytes(ledger), old);
        }
        EXPECT_EQ(Entries(disk.Path()), QStringList({"filler", "ledger.txt"}));
    }
    EXPECT_GT(saved, 0);
    EXPECT_GT(failed, 0);
}

// ------------------------------------------------------------ encodings

TEST(LedgerEncoding, Utf16WithoutAMarkIsReadAndSavedAsUtf8)
{
    TempDir dir;
    const QString text = QStringLiteral("202106231315-crm.grb=90\r\n202106231200-crm.grb=5\r\ncaf\u00e9=7\r\n");
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "LE" : "BE");
        QByteArray bytes;
        for (const QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            bytes += little ? QByteArray(1, lo) + QByteArray(1, hi) : QByteArray(1, hi) + QByteArray(1, lo);
        }
        const QString ledger = dir.Write("ledger.txt", bytes);
        EXPECT_EQ(Loaded(ledger), QStringList({"202106231200-crm.grb=5", "202106231315-crm.grb=90", "caf\u00e9=7"}));
        ASSERT_TRUE(AddAndSave(ledger, {"202106241200-crm.grb=8"}));
        EXPECT_EQ(ReadBytes(ledger), "202106231200-crm.grb=5\r\n202106231315-crm.grb=90\r\n"
                                     "202106241200-crm.grb=8\r\ncaf\xC3\xA9=7\r\n");
    }
}

TEST(LedgerEncoding, AFileThatIsNoTextIsReportedAndLeftUntouched)
{
    TempDir dir;
    QByteArray random(70000, '\0');
    std::mt19937 generator(3);
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char(generator() % 256);
    const QByteArray cases[] = {QByteArray(65536, '\0'), random,
                                QByteArray("\x7f"
                                           "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0",
                                           20)};
    for (const QByteArray& bytes : cases) {
        const QString ledger = dir.Write("ledger.txt", bytes);
        QString error;
        TLoadResult result = TLoadResult::Loaded;
        EXPECT_EQ(Loaded(ledger, &error, &result), QStringList());
        EXPECT_EQ(result, TLoadResult::Failed);
        EXPECT_EQ(error, "cannot read the ledger " + ledger + ": it is not a text file");
        EXPECT_FALSE(AddAndSave(ledger, {"a=1"}, &error));
        TSortedStringList list;
        list.Add("a=1");
        EXPECT_FALSE(SaveLedger(list, ledger, error));
        EXPECT_EQ(error, "ledger left untouched, cannot read " + ledger + ": it is not a text file");
        EXPECT_EQ(ReadBytes(ledger), bytes);
    }
}

// --------------------------------------------------------------- memory

TEST(LedgerMemory, AHugeSparseLedgerIsAReadFailureAndLeftUntouched)
{
    TempDir dir;
    const QString ledger = dir.Write("ledger.txt", "");
    const qint64 size = qint64(64) << 30;
    if (::truncate(EncodePath(ledger).constData(), size) != 0)
        GTEST_SKIP() << "no 64 GiB sparse file here: " << strerror(errno);
    QString error;
    TLoadResult result = TLoadResult::Loaded;
    Loaded(ledger, &error, &result);
    EXPECT_EQ(result, TLoadResult::Failed);
    EXPECT_EQ(error, "cannot read the ledger " + ledger + ": not enough memory to read its 68719476736 bytes");
    TSortedStringList list;
    list.Add("a=1");
    EXPECT_FALSE(SaveLedger(list, ledger, error));
    EXPECT_EQ(error,
              "ledger left untouched, cannot read " + ledger + ": not enough memory to read its 68719476736 bytes");
    EXPECT_EQ(QFileInfo(ledger).size(), size);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LAGWATCH_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define LAGWATCH_SANITIZED 1
#endif
#endif

TEST(LedgerMemory, RunningOutOfMemoryWhileReadingIsAReadFailure)
{
#ifdef LAGWATCH_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory does not live under an address-space limit";
#else
    // A real ledger of 58 MB read by a process whose address space has 80 MB
    // left (it takes some 100 MB loaded): the allocations fail
    // (std::bad_alloc), the load reports it, the process goes on and the
    // file stays as it was.
    TempDir dir;
    const QByteArray text = LedgerText("2020", 2000000);
    const QString ledger = dir.Write("ledger.txt", text);
    const int status = WaitChild(StartChild(
        [&] {
            long pages = 0;
            if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(f, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(f);
            }
            const rlim_t used = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
            const rlimit limit{used + (80 << 20), used + (80 << 20)};
            if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
                return false;
            TSortedStringList list;
            QString error;
            if (LoadLedger(list, ledger, error) != TLoadResult::Failed || list.Count() != 0)
                return false;
            if (!error.startsWith("cannot read the ledger " + ledger + ": not enough memory"))
                return false;
            list.Add("a=1");
            if (SaveLedger(list, ledger, error))
                return false;
            return error.startsWith("ledger left untouched, cannot read " + ledger + ": not enough memory");
        },
        false));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(ledger), text);
#endif
}

}  // namespace
