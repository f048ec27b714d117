#include "station/Ledger.h"

#include "platform/AtomicFile.h"
#include "platform/InPlaceRewrite.h"
#include "platform/IntegerText.h"
#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "platform/TextLines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString Reason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString SystemError(const QString& what, const QString& path, int code)
{
    return QStringLiteral("%1 %2: %3").arg(what, path, Reason(code));
}

// An open file descriptor, closed with its owner.
class TFd
{
public:
    TFd() = default;
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int& Ref() { return FFd; }
    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Reset()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
};

// A ledger the memory cannot hold is a read failure, found before it is
// allocated: a quarter of the machine's memory at most.
qint64 LargestReadableLedger()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return qint64(1) << 30;
    return std::max<qint64>(qint64(pages) * pageSize / 4, qint64(64) << 20);
}

// Why a ledger's bytes cannot be taken as a ledger; empty when they can.
enum class TReadProblem { None, System, Memory, Binary, Locked };

struct TReadOutcome
{
    TReadProblem Problem = TReadProblem::None;
    int Code = 0;
    qint64 Size = 0;
};

QString ProblemText(const TReadOutcome& outcome, double waitSeconds)
{
    switch (outcome.Problem) {
    case TReadProblem::None:
        break;
    case TReadProblem::System:
        return Reason(outcome.Code);
    case TReadProblem::Memory:
        return QStringLiteral("not enough memory to read its %1 bytes").arg(outcome.Size);
    case TReadProblem::Binary:
        return QStringLiteral("it is not a text file");
    case TReadProblem::Locked:
        return QStringLiteral("another process holds its lock; gave up after %1 s").arg(waitSeconds);
    }
    return {};
}

// Reads the whole open file from its start, straight into the bytes.
TReadOutcome ReadFd(int fd, QByteArray& bytes)
{
    TReadOutcome outcome;
    bytes.clear();
    struct stat st
    {};
    if (::fstat(fd, &st) != 0)
        return {TReadProblem::System, errno, 0};
    outcome.Size = st.st_size;
    const qint64 largest = LargestReadableLedger();
    if (st.st_size > largest)
        return {TReadProblem::Memory, ENOMEM, st.st_size};
    try {
        // Room for the size the file had, and more should it grow meanwhile.
        bytes = QByteArray(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
        qsizetype at = 0;
        for (;;) {
            if (at == bytes.size()) {
                if (at > largest) {
                    bytes = QByteArray();
                    return {TReadProblem::Memory, ENOMEM, qint64(at)};
                }
                bytes.resize(at + std::min<qsizetype>(qsizetype(1) << 16, largest - at + 1));
            }
            const ssize_t n = ::pread(fd, bytes.data() + at, static_cast<size_t>(bytes.size() - at), at);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const int code = errno;
                bytes = QByteArray();
                return {TReadProblem::System, code, outcome.Size};
            }
            if (n == 0)
                break;
            at += n;
        }
        bytes.truncate(at);
    } catch (const std::bad_alloc&) {
        bytes = QByteArray();
        return {TReadProblem::Memory, ENOMEM, outcome.Size};
    }
    return outcome;
}

// Opens the ledger for reading (and writing, where allowed, for a rewrite in
// place) and locks it; retried while another saver replaces the file under
// the lock's wait. A missing ledger leaves fd invalid with code ENOENT.
struct TOpenedLedger
{
    TFd Fd;
    struct stat Stat
    {};
    bool Writable = false;
};

enum class TLedgerOpen { Locked, Missing, Unlocked, Failed, TimedOut };

TLedgerOpen OpenAndLockLedger(const QByteArray& native, bool followLinks, int operation, TLockDeadline& deadline,
                              TOpenedLedger& ledger, int& code)
{
    const int follow = followLinks ? 0 : O_NOFOLLOW;
    for (int attempt = 0; attempt < 100; ++attempt) {
        ledger.Fd.Reset();
        ledger.Writable = false;
        if (operation == LOCK_EX) {
            ledger.Fd.Ref() = ::open(native.constData(), O_RDWR | follow | O_CLOEXEC | O_NONBLOCK);
            ledger.Writable = ledger.Fd.Valid();
        }
        if (!ledger.Fd.Valid())
            ledger.Fd.Ref() = ::open(native.constData(), O_RDONLY | follow | O_CLOEXEC | O_NONBLOCK);
        if (!ledger.Fd.Valid()) {
            code = errno;
            return code == ENOENT ? TLedgerOpen::Missing : TLedgerOpen::Failed;
        }
        if (::fstat(ledger.Fd.Get(), &ledger.Stat) != 0 || !S_ISREG(ledger.Stat.st_mode)) {
            code = S_ISDIR(ledger.Stat.st_mode) ? EISDIR : EINVAL;
            return TLedgerOpen::Failed;
        }
        code = LockOpenFile(ledger.Fd.Ref(), native, operation, deadline);
        if (code == EWOULDBLOCK)
            return TLedgerOpen::TimedOut;
        if (code != 0)
            return TLedgerOpen::Unlocked;  // a file system without locks: nobody can hold one
        // Another saver may have replaced the file while this one waited:
        // then the lock is on the old one, and the new one is locked instead.
        struct stat now
        {};
        const int found = followLinks ? ::stat(native.constData(), &now) : ::lstat(native.constData(), &now);
        if (found == 0 && now.st_dev == ledger.Stat.st_dev && now.st_ino == ledger.Stat.st_ino)
            return TLedgerOpen::Locked;
    }
    code = EAGAIN;
    return TLedgerOpen::Failed;
}

// Checks the bytes of a ledger and gives the text in them: a rewrite in place
// cut short is resolved, a file that is no text is refused, and memory
// running out is a read failure. The text is decoded where it is used
// (TextLines.h), without a QString per line.
TReadProblem LedgerText(const QByteArray& physical, QByteArray& content)
{
    try {
        content = ResolveRewrite(physical).Content;
        if (DetectTextEncoding(content) == TTextEncoding::Binary) {
            content = QByteArray();
            return TReadProblem::Binary;
        }
    } catch (const std::bad_alloc&) {
        content = QByteArray();
        return TReadProblem::Memory;
    }
    return TReadProblem::None;
}

// Creates a folder and any missing folders above it; failures surface when
// the ledger is written.
void MakeFolders(const QByteArray& folder)
{
    for (qsizetype at = folder.indexOf('/', 1); at >= 0; at = folder.indexOf('/', at + 1))
        ::mkdir(folder.left(at).constData(), 0777);
    ::mkdir(folder.constData(), 0777);
}

void MergeDiskLines(TSortedStringList& list, const QByteArray& content)
{
    // The ledger as it was loaded, which nobody changed since: nothing to merge.
    if (list.WasAssignedFrom(content))
        return;
    // Nearly every line on disk is one the list holds already, in the same
    // order: one walk through both passes over those without a search each.
    // A second walk judges the others in their order, as before; between the
    // walks one bit per line is all that is kept.
    std::vector<bool> held;
    int cursor = 0;
    ForEachTextLineUtf8(content, [&](QByteArrayView line) { held.push_back(list.HoldsInOrder(line, cursor)); });
    size_t number = 0;
    ForEachTextLineUtf8(content, [&](QByteArrayView line) {
        if (held[number++])
            return;
        const qsizetype eq = line.indexOf('=');
        if (eq >= 0 && list.ContainsNameUtf8(line.first(eq)))
            return;
        list.AddUtf8(line);
    });
}

// A text given piece by piece, so that a ledger's text is compared and
// written without being held whole beside the list.
class TPieces
{
public:
    virtual ~TPieces() = default;
    virtual qint64 Size() const = 0;
    // The first piece, then the ones after it; false past the last.
    virtual bool Next(QByteArrayView& piece) = 0;
};

class TWholeBytes : public TPieces
{
public:
    explicit TWholeBytes(QByteArrayView bytes) : FBytes(bytes) {}
    qint64 Size() const override { return FBytes.size(); }
    bool Next(QByteArrayView& piece) override
    {
        piece = FBytes;
        const bool first = !FGiven;
        FGiven = true;
        return first && !FBytes.isEmpty();
    }

private:
    QByteArrayView FBytes;
    bool FGiven = false;
};

// EncodeTextLines(list.ToStringList()), byte for byte, a few hundred
// kilobytes at a time, without a QString per line.
class TLedgerPieces : public TPieces
{
public:
    explicit TLedgerPieces(const TSortedStringList& list) : FList(list), FCount(list.Count()) {}
    qint64 Size() const override
    {
        qint64 total = 0;
        for (int i = 0; i < FCount; ++i)
            total += FList.GetUtf8(i).size() + 2;
        return total;
    }
    bool Next(QByteArrayView& piece) override
    {
        constexpr size_t PieceSize = size_t(1) << 18;
        FPiece.clear();
        for (; FNext < FCount && FPiece.size() < PieceSize; ++FNext) {
            const QByteArrayView line = FList.GetUtf8(FNext);
            FPiece.append(line.data(), static_cast<size_t>(line.size()));
            FPiece.append("\r\n", 2);
        }
        piece = QByteArrayView(FPiece.data(), static_cast<qsizetype>(FPiece.size()));
        return !FPiece.empty();
    }

private:
    const TSortedStringList& FList;
    const int FCount;
    int FNext = 0;
    std::string FPiece;
};

// True when the open file holds exactly this text, read again piece by
// piece, so the ledger on disk and the new text are never both in memory.
bool FileHolds(int fd, TPieces&& text)
{
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || st.st_size != text.Size())
        return false;
    char chunk[65536];
    off_t at = 0;
    QByteArrayView piece;
    while (text.Next(piece)) {
        for (qsizetype done = 0; done < piece.size();) {
            const size_t want = static_cast<size_t>(std::min<qsizetype>(sizeof chunk, piece.size() - done));
            const ssize_t n = ::pread(fd, chunk, want, at);
            if (n <= 0 || std::memcmp(chunk, piece.data() + done, static_cast<size_t>(n)) != 0)
                return false;
            done += n;
            at += n;
        }
    }
    return true;
}

bool WriteAll(int fd, TPieces&& text)
{
    QByteArrayView piece;
    while (text.Next(piece))
        if (!WriteAllBytes(fd, piece))
            return false;
    return true;
}

// The whole text at once, for a rewrite in place.
QByteArray EncodeLedger(const TSortedStringList& list)
{
    TLedgerPieces text(list);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(text.Size()));
    QByteArrayView piece;
    while (text.Next(piece))
        out.append(piece);
    return out;
}

TLockWait AnnouncedWait(const TLedgerWait& wait, const QString& path)
{
    TLockWait lockWait = wait.Wait;
    if (wait.Announce) {
        const double seconds = lockWait.Limit.count() / 1000.0;
        lockWait.Announce = [announce = wait.Announce, path, seconds] {
            announce(QStringLiteral("waiting for the lock of the ledger %1, which another process holds; "
                                    "giving up after %2 s")
                         .arg(path)
                         .arg(seconds));
        };
    }
    return lockWait;
}

}  // namespace

TLoadResult LoadLedger(TSortedStringList& list, const QString& path, QString& error, const TLedgerWait& wait,
                       TFileIdentity* identity)
{
    list.Clear();
    TLockDeadline deadline(AnnouncedWait(wait, path));
    TOpenedLedger ledger;
    int code = 0;
    switch (OpenAndLockLedger(EncodePath(path), true, LOCK_SH, deadline, ledger, code)) {
    case TLedgerOpen::Missing:
        return TLoadResult::Missing;
    case TLedgerOpen::Failed:
        error = SystemError(QStringLiteral("cannot read the ledger"), path, code);
        return TLoadResult::Failed;
    case TLedgerOpen::TimedOut:
        error = QStringLiteral("cannot read the ledger %1: %2")
                    .arg(path, ProblemText({TReadProblem::Locked, 0, 0}, deadline.LimitSeconds()));
        return TLoadResult::Failed;
    case TLedgerOpen::Locked:
    case TLedgerOpen::Unlocked:
        break;
    }
    struct stat locked
    {};
    if (identity && ::fstat(ledger.Fd.Get(), &locked) == 0)
        *identity = TFileIdentity::Of(locked);
    QByteArray bytes;
    TReadOutcome read = ReadFd(ledger.Fd.Get(), bytes);
    ledger.Fd.Reset();
    QByteArray content;
    if (read.Problem == TReadProblem::None)
        read.Problem = LedgerText(bytes, content);
    bytes = QByteArray();
    if (read.Problem == TReadProblem::None) {
        try {
            // The list keeps the file's bytes as the text of its lines.
            AssignTextLines(list, std::move(content));
            return TLoadResult::Loaded;
        } catch (const std::bad_alloc&) {
            list.Clear();
            read.Problem = TReadProblem::Memory;
        }
    }
    error = QStringLiteral("cannot read the ledger %1: %2").arg(path, ProblemText(read, deadline.LimitSeconds()));
    return TLoadResult::Failed;
}

bool SaveLedger(TSortedStringList& list, const QString& path, QString& error, const TLedgerWait& wait,
                TFileIdentity* identity)
{
    // Root saving in /tmp must not write through the link another user planted there.
    QByteArray target;
    if (!OutputTarget(EncodePath(path), target)) {
        error = QStringLiteral("cannot save the ledger %1: %2 is another user's symbolic link in a shared folder; "
                               "refusing it")
                    .arg(path, DecodePath(target));
        return false;
    }
    // A ledger in the user's data folder may be the first one there, and on a
    // fresh account the data folder itself may not exist yet.
    MakeFolders(FolderOf(target));
    TLockDeadline deadline(AnnouncedWait(wait, path));
    auto fail = [&](const QString& reason) {
        error = QStringLiteral("cannot save the ledger %1: %2").arg(path, reason);
        return false;
    };
    auto lockedOut = [&] { return fail(ProblemText({TReadProblem::Locked, 0, 0}, deadline.LimitSeconds())); };

    // The lock file first.
    const QByteArray lockPath = target + ".lock";
    struct stat before
    {};
    const bool existedBefore = ::stat(target.constData(), &before) == 0 && S_ISREG(before.st_mode);
    TFd lockFile;
    int lockCode = 0;
    switch (OpenLockFile(lockPath, existedBefore ? &before : nullptr, lockFile.Ref(), lockCode)) {
    case TLockFileOpen::Refused:
        return fail(QStringLiteral("the lock file %1 is %2; refusing it")
                        .arg(DecodePath(lockPath), lockCode == ELOOP ? QStringLiteral("a symbolic link")
                                                                     : QStringLiteral("not a regular file")));
    case TLockFileOpen::Unusable:
        break;  // the lock on the ledger itself has to do
    case TLockFileOpen::Opened:
        lockCode = LockOpenFile(lockFile.Ref(), lockPath, LOCK_EX, deadline);
        if (lockCode == EWOULDBLOCK)
            return lockedOut();
        if (lockCode != 0)
            lockFile.Reset();
        break;
    }

    // Then the ledger itself, which every saver locks.
    TOpenedLedger ledger;
    int code = 0;
    bool exists = true;
    switch (OpenAndLockLedger(target, false, LOCK_EX, deadline, ledger, code)) {
    case TLedgerOpen::Locked:
        break;
    case TLedgerOpen::Unlocked:
        if (!lockFile.Valid())
            return fail(QStringLiteral("cannot lock it: %1").arg(Reason(code)));
        break;
    case TLedgerOpen::Missing:
        // A new ledger: only the lock file can serialise its creation.
        if (!lockFile.Valid())
            return fail(
                QStringLiteral("cannot lock it: the lock file %1: %2").arg(DecodePath(lockPath), Reason(lockCode)));
        exists = false;
        break;
    case TLedgerOpen::TimedOut:
        return lockedOut();
    case TLedgerOpen::Failed:
        error = SystemError(QStringLiteral("ledger left untouched, cannot read"), path, code);
        return false;
    }

    // Nobody else writes beside this ledger now.
    RemoveLeftoverTemporaries(target);

    if (exists) {
        // The bytes the list was loaded from, which nobody changed since,
        // are compared piece by piece: nothing to read whole, to decode or to
        // merge. Otherwise the text on disk is read, and once merged let go:
        // it and the new text are never held at once.
        TReadOutcome read;
        if (!FileHolds(ledger.Fd.Get(), TWholeBytes(list.AssignedBytes()))) {
            QByteArray physical;
            read = ReadFd(ledger.Fd.Get(), physical);
            if (read.Problem == TReadProblem::None && !list.WasAssignedFrom(physical)) {
                QByteArray content;
                read.Problem = LedgerText(physical, content);
                physical = QByteArray();
                if (read.Problem == TReadProblem::None) {
                    try {
                        MergeDiskLines(list, content);
                    } catch (const std::bad_alloc&) {
                        read.Problem = TReadProblem::Memory;
                    }
                }
            }
        }
        if (read.Problem != TReadProblem::None) {
            error = QStringLiteral("ledger left untouched, cannot read %1: %2")
                        .arg(path, ProblemText(read, deadline.LimitSeconds()));
            return false;
        }
    }

    // A run that found nothing new leaves the ledger as it is: no write, no
    // flush to the disk.
    struct stat written
    {};
    auto identityOf = [&](int fd) {
        if (identity && ::fstat(fd, &written) == 0)
            *identity = TFileIdentity::Of(written);
        return true;
    };
    try {
        if (exists && FileHolds(ledger.Fd.Get(), TLedgerPieces(list)))
            return identityOf(ledger.Fd.Get());
        if (ReplaceThroughTemporary(
                target,
                [&list](int fd) {
                    try {
                        return WriteAll(fd, TLedgerPieces(list));
                    } catch (const std::bad_alloc&) {
                        errno = ENOMEM;
                        return false;
                    }
                },
                exists ? &ledger.Stat : nullptr, code, &written)) {
            if (identity)
                *identity = TFileIdentity::Of(written);
            return true;
        }
    } catch (const std::bad_alloc&) {
        return fail(Reason(ENOMEM));
    }
    // No temporary file can be made beside it (a read-only folder), but the
    // ledger itself may still be writable: rewritten in place, under the lock.
    if (exists && ledger.Writable && (code == EACCES || code == EPERM || code == EROFS)) {
        try {
            // Under the same lock, so the bytes are those read above.
            QByteArray physical;
            if (ReadFd(ledger.Fd.Get(), physical).Problem == TReadProblem::None &&
                RewriteInPlace(ledger.Fd.Get(), physical, EncodeLedger(list), code))
                return identityOf(ledger.Fd.Get());
        } catch (const std::bad_alloc&) {
            code = ENOMEM;
        }
    }
    return fail(Reason(code));
}
