#pragma once
// Advisory locks (flock) that are never skipped and never waited on for ever.
//
// A lock file is opened without following a symbolic link and read-only, so
// every user who can read it can lock it (flock needs no write access on a
// local file system; where it does, as on NFS, the file is opened again for
// writing). A missing lock file is created with the permissions and, where
// allowed, the owner of the file it guards.
//
// Waiting for a lock held by another process polls until a deadline, which
// one TLockWait shares between the locks of one operation; past its first few
// seconds the wait is announced once.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <sys/stat.h>

struct TLockWait
{
    // The longest wait for all the locks of one operation together.
    std::chrono::milliseconds Limit{60000};
    // When a lock is still not taken after this time, Announce is called once.
    std::chrono::milliseconds AnnounceAfter{3000};
    std::function<void()> Announce;
};

// 60 s, or LAGWATCH_LOCK_WAIT seconds (a decimal number, 0 for no wait) when
// that variable is set; announced after 3 s, or after half the limit when
// that is shorter.
TLockWait DefaultLockWait();

// The running wait of one operation.
class TLockDeadline
{
public:
    explicit TLockDeadline(const TLockWait& wait);
    // flock(fd, operation) (LOCK_SH or LOCK_EX), polled until the deadline.
    // 0 when locked; otherwise an errno value, EWOULDBLOCK when the time ran out.
    int Lock(int fd, int operation);
    double LimitSeconds() const { return FWait.Limit.count() / 1000.0; }

private:
    void AnnounceOnce();

    TLockWait FWait;
    std::chrono::steady_clock::time_point FStart;
    bool FAnnounced = false;
};

enum class TLockFileOpen {
    Opened,    // fd is the open lock file
    Refused,   // a symbolic link or no regular file stands there: never used
    Unusable,  // it cannot be opened or created (code says why)
};

// Opens path as a lock file, creating it when missing with guarded's mode bits
// (read and write bits only) and owner, or with 0666 less the umask when
// guarded is null. O_NOFOLLOW and O_CLOEXEC always.
TLockFileOpen OpenLockFile(const QByteArray& path, const struct stat* guarded, int& fd, int& code);

// Locks fd, an open file at path, with the deadline; opens the file again
// for reading and writing when the file system wants that for the lock
// (flock answering EBADF). 0 or an errno value as TLockDeadline::Lock.
int LockOpenFile(int& fd, const QByteArray& path, int operation, TLockDeadline& deadline);
