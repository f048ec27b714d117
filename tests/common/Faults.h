#pragma once
// Real faults for tests: a small file system that fills up, a second user,
// processes killed at random moments.
#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <functional>
#include <sys/types.h>

// The user and group "nobody" (65534), the second user of the tests.
constexpr uid_t NobodyUid = 65534;
constexpr gid_t NobodyGid = 65534;

bool IsRoot();

// True when a test that needs root may skip as an ordinary user: outside CI.
// In CI as root such a test never skips.
bool MaySkipWithoutRoot();

// True when a test may skip for something missing on this machine (a locale,
// a tool): outside CI.
bool MaySkipWithoutSetup();

// In a test body: skips (outside CI) or fails when the locale is not
// installed (scripts/install-deps.sh makes the ones the tests use).
#define REQUIRE_LOCALE(name)                                                                                           \
    do {                                                                                                               \
        if (!LocaleInstalled(name)) {                                                                                  \
            if (MaySkipWithoutSetup())                                                                                 \
                GTEST_SKIP() << "the locale " << name << " is not installed";                                          \
            FAIL() << "the locale " << name << " is not installed (scripts/install-deps.sh makes it)";                 \
        }                                                                                                              \
    } while (false)
bool LocaleInstalled(const char* name);

// A tool a test needs, found on the path as `variable`: skipped on a
// developer's machine without it, a failure in CI.
#define REQUIRE_TOOL(variable, name)                                                                                   \
    const QString variable = QStandardPaths::findExecutable(name);                                                     \
    if (variable.isEmpty()) {                                                                                          \
        if (!MaySkipWithoutSetup())                                                                                    \
            FAIL() << name << " is not installed (scripts/install-deps.sh installs it)";                               \
        GTEST_SKIP() << name << " is not installed";                                                                   \
    }

// The C library's locale of one category (LC_NUMERIC, ...) set for the
// object's life, as the application object sets it from the environment.
class TScopedCLocale
{
public:
    TScopedCLocale(int category, const char* name);
    ~TScopedCLocale();
    TScopedCLocale(const TScopedCLocale&) = delete;
    TScopedCLocale& operator=(const TScopedCLocale&) = delete;

private:
    int FCategory;
    QByteArray FOld;
};

// A data size or a number of rounds: usual, or large when LAGWATCH_TEST_LARGE
// is 1 (for longer runs by hand).
int TestSize(int usual, int large);

// In a test body: skips (where MaySkipWithoutRoot allows) or fails when the
// test does not run as root.
#define REQUIRE_ROOT(why)                                                                                              \
    do {                                                                                                               \
        if (!IsRoot()) {                                                                                               \
            if (MaySkipWithoutRoot())                                                                                  \
                GTEST_SKIP() << why;                                                                                   \
            FAIL() << why;                                                                                             \
        }                                                                                                              \
    } while (false)

// A tmpfs of the given size mounted on a new folder below parent (root
// only); unmounted again with the object. Path() ends with '/'.
class TTmpfs
{
public:
    TTmpfs(const QString& parent, qint64 bytes);
    ~TTmpfs();
    TTmpfs(const TTmpfs&) = delete;
    TTmpfs& operator=(const TTmpfs&) = delete;
    bool Mounted() const { return FMounted; }
    QString Path() const { return FPath; }
    QString Error() const { return FError; }

private:
    QString FPath;
    QString FError;
    bool FMounted = false;
};

// Fills the file system holding folder with a file named filler there until
// at most leaveFree bytes are free (rounded to its blocks). The bytes free
// afterwards.
qint64 FillFileSystem(const QString& folder, qint64 leaveFree);
qint64 FreeBytes(const QString& folder);

// Runs fn in a child process: as the user nobody when the test runs as root,
// as the same user otherwise. The child's status: 0 when fn returned true, 1
// when false, -signal when it was killed.
int RunAsNobody(const std::function<bool()>& fn);

// Gives the files and folders below folder (and folder) to nobody when the
// test runs as root, and makes the path to it searchable by everyone: the
// steps of a test that permissions must bind then run through RunAsNobody.
void GiveToNobody(const QString& folder);

// Starts fn in a child process (as nobody when asNobody and root) and
// returns its process id without waiting.
pid_t StartChild(const std::function<bool()>& fn, bool asNobody);
// Waits for a child: 0, 1 or -signal as RunAsNobody.
int WaitChild(pid_t child);

// A child (as StartChild) that reports numbers to its parent through a pipe:
// fn gets the pipe's writing end and calls Report; the parent reads them
// with ReadReport from Read, which it closes when done.
struct TReportingChild
{
    pid_t Pid = -1;
    int Read = -1;
};
TReportingChild StartReportingChild(const std::function<bool(int report)>& fn, bool asNobody);
void Report(int fd, qint64 value);
// The next number, waiting for it; false when the child ended first.
bool ReadReport(int fd, qint64& value);

// Microseconds since an arbitrary start, for timing inside a child.
qint64 NowUs();

// Makes a folder and the folders of its path reachable by another user.
void OpenToEveryone(const QString& folder);

// A number of repetitions: fallback, or LAGWATCH_TEST_KILLS when set (for
// longer runs by hand).
int KillRounds(int fallback);

// Another process that holds a lock with flock(1) ("-s" or "-x") on the file
// until Stop() or the end of the object; constructed once the lock is held
// (a holder that ends or hangs without it fails the test).
class TLockHolder
{
public:
    TLockHolder(const QString& file, const char* mode);
    ~TLockHolder() { Stop(); }
    TLockHolder(const TLockHolder&) = delete;
    TLockHolder& operator=(const TLockHolder&) = delete;
    void Stop();
    bool Held() const { return FHeld; }

private:
    QProcess FProcess;
    bool FHeld = false;
};
