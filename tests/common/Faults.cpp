#include "tests/common/Faults.h"

#include "platform/PathBytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <dirent.h>
#include <locale.h>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <ctime>
#include <unistd.h>

bool IsRoot() { return ::geteuid() == 0; }

bool MaySkipWithoutRoot() { return qgetenv("CI") != "true"; }

bool MaySkipWithoutSetup() { return qgetenv("CI") != "true"; }

bool LocaleInstalled(const char* name)
{
    const locale_t locale = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return false;
    ::freelocale(locale);
    return true;
}

TScopedCLocale::TScopedCLocale(int category, const char* name) : FCategory(category)
{
    FOld = std::setlocale(category, nullptr);
    std::setlocale(category, name);
}

TScopedCLocale::~TScopedCLocale() { std::setlocale(FCategory, FOld.constData()); }

int TestSize(int usual, int large) { return qgetenv("LAGWATCH_TEST_LARGE") == "1" ? large : usual; }

TTmpfs::TTmpfs(const QString& parent, qint64 bytes)
{
    static int counter = 0;
    FPath = (parent.endsWith('/') ? parent : parent + '/') + QStringLiteral("tmpfs%1/").arg(++counter);
    QDir().mkpath(FPath);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", EncodePath(FPath).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
        FMounted = true;
    else
        FError = QString::fromLocal8Bit(strerror(errno));
}

TTmpfs::~TTmpfs()
{
    if (FMounted)
        ::umount2(EncodePath(FPath).constData(), MNT_DETACH);
}

qint64 FreeBytes(const QString& folder)
{
    struct statvfs info
    {};
    if (::statvfs(EncodePath(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

qint64 FillFileSystem(const QString& folder, qint64 leaveFree)
{
    const QByteArray path = EncodePath((folder.endsWith('/') ? folder : folder + '/') + "filler");
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return FreeBytes(folder);
    const qint64 take = FreeBytes(folder) - leaveFree;
    if (take > 0) {
        struct stat st
        {};
        ::fstat(fd, &st);
        ::fallocate(fd, 0, st.st_size, take & ~qint64(4095));
    }
    if (leaveFree == 0) {
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {}
        while (::write(fd, "f", 1) > 0) {}
    }
    ::close(fd);
    return FreeBytes(folder);
}

pid_t StartChild(const std::function<bool()>& fn, bool asNobody)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    if (asNobody && IsRoot()) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(NobodyGid, NobodyGid, NobodyGid) != 0 ||
            ::setresuid(NobodyUid, NobodyUid, NobodyUid) != 0)
            ::_exit(2);
    }
    bool ok = false;
    try {
        ok = fn();
    } catch (...) {
        ok = false;
    }
    ::_exit(ok ? 0 : 1);
}

int WaitChild(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TReportingChild StartReportingChild(const std::function<bool(int report)>& fn, bool asNobody)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    TReportingChild child;
    child.Pid = StartChild(
        [&] {
            ::close(fds[0]);
            return fn(fds[1]);
        },
        asNobody);
    ::close(fds[1]);
    child.Read = fds[0];
    return child;
}

void Report(int fd, qint64 value) { [[maybe_unused]] const ssize_t written = ::write(fd, &value, sizeof value); }

bool ReadReport(int fd, qint64& value)
{
    char* p = reinterpret_cast<char*>(&value);
    size_t got = 0;
    while (got < sizeof value) {
        const ssize_t n = ::read(fd, p + got, sizeof value - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

qint64 NowUs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

int RunAsNobody(const std::function<bool()>& fn) { return WaitChild(StartChild(fn, true)); }

void GiveToNobody(const QString& folder)
{
    OpenToEveryone(folder);
    if (!IsRoot())
        return;
    std::function<void(const QByteArray&)> give = [&](const QByteArray& path) {
        if (::lchown(path.constData(), NobodyUid, NobodyGid) != 0)
            return;
        struct stat st
        {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return;
        if (DIR* listing = ::opendir(path.constData())) {
            QList<QByteArray> names;
            while (const dirent* entry = ::readdir(listing))
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    names.append(entry->d_name);
            ::closedir(listing);
            for (const QByteArray& name : names)
                give(path + '/' + name);
        }
    };
    QByteArray path = EncodePath(folder);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    give(path);
}

void OpenToEveryone(const QString& folder)
{
    QByteArray path = EncodePath(folder);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    struct stat st
    {};
    if (::stat(path.constData(), &st) == 0)
        ::chmod(path.constData(), (st.st_mode & 07777) | 0755);
    // The parents need to be searchable too (a temporary folder is 0700).
    for (qsizetype at = path.lastIndexOf('/'); at > 0; at = path.lastIndexOf('/', at - 1)) {
        const QByteArray parent = path.left(at);
        if (::stat(parent.constData(), &st) == 0 && (st.st_mode & 0001) == 0 && st.st_uid == ::geteuid())
            ::chmod(parent.constData(), (st.st_mode & 07777) | 0711);
    }
}

int KillRounds(int fallback)
{
    bool ok = false;
    const int rounds = qEnvironmentVariableIntValue("LAGWATCH_TEST_KILLS", &ok);
    return ok && rounds > 0 ? rounds : fallback;
}

TLockHolder::TLockHolder(const QString& file, const char* mode)
{
    // flock(1) locks the shell's descriptor, which sleep then holds: killing
    // this one process releases the lock (flock FILE COMMAND would leave the
    // lock with an orphaned command).
    FProcess.start("/bin/bash",
                   {"-c", QString("exec 9<\"$1\" && flock %1 9 && exec sleep 300").arg(mode), "holder", file});
    FProcess.waitForStarted();
    // Held once a non-blocking try from here fails; the bound only ends a
    // holder that hangs, however busy the machine.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 240000 && !FProcess.waitForFinished(0)) {
        const int fd = ::open(EncodePath(file).constData(), O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (fd >= 0)
            ::close(fd);
        if (held) {
            FHeld = true;
            return;
        }
        QThread::msleep(10);
    }
    ADD_FAILURE() << "flock(1) did not take the lock on " << file.toStdString() << ": "
                  << FProcess.readAllStandardError().toStdString();
}

void TLockHolder::Stop()
{
    FProcess.kill();
    FProcess.waitForFinished(5000);
}
