#include "app/Ledger.h"

#include "platform/AtomicFile.h"
#include "platform/TextLines.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <vector>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(const QString& what, const QString& path, int code)
{
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
}

// Reads a whole file. False with errno-like code on failure; code ENOENT means
// the file does not exist.
bool ReadAll(const QByteArray& path, QByteArray& bytes, int& code)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        code = S_ISDIR(st.st_mode) ? EISDIR : errno ? errno : EINVAL;
        ::close(fd);
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            code = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return true;
}

// Creates a folder and any missing folders above it; failures surface when
// the ledger is written.
void MakeFolders(const QByteArray& folder)
{
    for (qsizetype at = folder.indexOf('/', 1); at >= 0; at = folder.indexOf('/', at + 1))
        ::mkdir(folder.left(at).constData(), 0777);
    ::mkdir(folder.constData(), 0777);
}

class TLockFile
{
public:
    explicit TLockFile(const QByteArray& path)
    {
        FFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (FFd >= 0)
            while (::flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~TLockFile()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TLockFile(const TLockFile&) = delete;
    TLockFile& operator=(const TLockFile&) = delete;

private:
    int FFd = -1;
};

void MergeDiskLines(TSortedStringList& list, const QByteArray& bytes)
{
    // Nearly every line on disk is one the list holds already, in the same
    // order: one walk through both passes over those without a search each.
    // A second walk judges the others in their order, as before; between the
    // walks one bit per line is all that is kept.
    std::vector<bool> held;
    int cursor = 0;
    ForEachTextLineUtf8(bytes, [&](QByteArrayView line) { held.push_back(list.HoldsInOrder(line, cursor)); });
    size_t number = 0;
    ForEachTextLineUtf8(bytes, [&](QByteArrayView line) {
        if (held[number++])
            return;
        const qsizetype eq = line.indexOf('=');
        if (eq >= 0 && list.ContainsNameUtf8(line.first(eq)))
            return;
        list.AddUtf8(line);
    });
}

// EncodeTextLines(list.ToStringList()), byte for byte, without a QString per line.
QByteArray EncodeLedger(const TSortedStringList& list)
{
    qsizetype total = 0;
    for (int i = 0; i < list.Count(); ++i)
        total += list.GetUtf8(i).size() + 2;
    QByteArray out(total, Qt::Uninitialized);
    char* p = out.data();
    for (int i = 0; i < list.Count(); ++i) {
        const QByteArrayView line = list.GetUtf8(i);
        if (!line.isEmpty())
            std::memcpy(p, line.data(), static_cast<size_t>(line.size()));
        p += line.size();
        *p++ = '\r';
        *p++ = '\n';
    }
    return out;
}

bool RewriteInPlace(const QByteArray& target, const QByteArray& bytes, int& code)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        return false;
    }
    bool ok = WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    return ok;
}

} // namespace

TLoadResult LoadLedger(TSortedStringList& list, const QString& path, QString& error)
{
    list.Clear();
    QByteArray bytes;
    int code = 0;
    if (!ReadAll(QFile::encodeName(path), bytes, code)) {
        if (code == ENOENT)
            return TLoadResult::Missing;
        error = SystemError(QStringLiteral("cannot read the ledger"), path, code);
        return TLoadResult::Failed;
    }
    AssignTextLines(list, std::move(bytes));
    return TLoadResult::Loaded;
}

bool SaveLedger(TSortedStringList& list, const QString& path, QString& error)
{
    const QByteArray target = SaveTarget(QFile::encodeName(path));
    // A ledger in the user's data folder may be the first one there, and on a
    // fresh account the data folder itself may not exist yet.
    MakeFolders(FolderOf(target));
    TLockFile lock(target + ".lock");

    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists) {
        QByteArray disk;
        int code = 0;
        if (!ReadAll(target, disk, code)) {
            error = SystemError(QStringLiteral("ledger left untouched, cannot read"), path, code);
            return false;
        }
        MergeDiskLines(list, disk);
    }

    const QByteArray bytes = EncodeLedger(list);
    int code = 0;
    if (ReplaceThroughTemporary(target, bytes, exists ? &st : nullptr, code))
        return true;
    // No temporary file can be made beside it (a read-only folder), but the
    // ledger itself may still be writable.
    if (exists && (code == EACCES || code == EPERM || code == EROFS) && ::access(target.constData(), W_OK) == 0) {
        if (RewriteInPlace(target, bytes, code))
            return true;
    }
    error = SystemError(QStringLiteral("cannot save the ledger"), path, code);
    return false;
}
