#include "platform/FileLock.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

TLockWait DefaultLockWait()
{
    TLockWait wait;
    const QByteArray text = qgetenv("LAGWATCH_LOCK_WAIT").trimmed();
    if (!text.isEmpty()) {
        bool ok = false;
        const double seconds = text.toDouble(&ok);
        if (ok && std::isfinite(seconds) && seconds >= 0 && seconds <= 86400)
            wait.Limit = std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000)));
    }
    wait.AnnounceAfter = std::min(wait.AnnounceAfter, wait.Limit / 2);
    return wait;
}

TLockDeadline::TLockDeadline(const TLockWait& wait) : FWait(wait), FStart(std::chrono::steady_clock::now()) {}

void TLockDeadline::AnnounceOnce()
{
    if (FAnnounced)
        return;
    FAnnounced = true;
    if (FWait.Announce)
        FWait.Announce();
}

int TLockDeadline::Lock(int fd, int operation)
{
    auto pause = std::chrono::milliseconds(5);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return 0;
        const int code = errno;
        if (code == EINTR)
            continue;
        if (code != EWOULDBLOCK)
            return code;
        const auto waited = std::chrono::steady_clock::now() - FStart;
        if (waited >= FWait.Limit)
            return EWOULDBLOCK;
        if (waited >= FWait.AnnounceAfter)
            AnnounceOnce();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(FWait.Limit - waited);
        std::this_thread::sleep_for(std::min({pause, left + std::chrono::milliseconds(1)}));
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
}

TLockFileOpen OpenLockFile(const QByteArray& path, const struct stat* guarded, int& fd, int& code)
{
    fd = -1;
    code = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        // O_NONBLOCK: a FIFO planted as the lock file must not block the open.
        fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 && errno == ENOENT) {
            const mode_t mode = guarded ? (guarded->st_mode & 0666) : CreationMode();
            fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd < 0 && errno == EEXIST)
                continue;  // another saver created it meanwhile
            if (fd >= 0) {
                // The umask must not take from the guarded file's readers.
                ::fchmod(fd, mode);
                if (guarded && ::fchown(fd, guarded->st_uid, guarded->st_gid) != 0) {
                    // Only root gives a file away; anyone may still lock it when it is readable.
                }
            }
        }
        if (fd < 0) {
            code = errno;
            // O_NOFOLLOW answers ELOOP for a link.
            return code == ELOOP ? TLockFileOpen::Refused : TLockFileOpen::Unusable;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            ::close(fd);
            fd = -1;
            return TLockFileOpen::Refused;
        }
        return TLockFileOpen::Opened;
    }
    code = EAGAIN;
    return TLockFileOpen::Unusable;
}

int LockOpenFile(int& fd, const QByteArray& path, int operation, TLockDeadline& deadline)
{
    int code = deadline.Lock(fd, operation);
    if (code != EBADF)
        return code;
    // NFS takes an exclusive flock only on a file open for writing.
    struct stat before {};
    if (::fstat(fd, &before) != 0)
        return errno;
    const int again = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (again < 0)
        return EBADF;
    struct stat after {};
    if (::fstat(again, &after) != 0 || after.st_dev != before.st_dev || after.st_ino != before.st_ino) {
        ::close(again);
        return EBADF;
    }
    ::close(fd);
    fd = again;
    return deadline.Lock(fd, operation);
}
