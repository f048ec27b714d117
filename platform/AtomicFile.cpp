#include "platform/AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool WriteAllBytes(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray SaveTarget(const QByteArray& path)
{
    QByteArray current = path;
    for (int hop = 0; hop < 40; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), buffer, sizeof buffer - 1);
        if (n < 0)
            return current;
        QByteArray target(buffer, n);
        if (!target.startsWith('/')) {
            const int slash = current.lastIndexOf('/');
            target = (slash >= 0 ? current.left(slash + 1) : QByteArray()) + target;
        }
        current = target;
    }
    return current;
}

QByteArray FolderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

bool ReplaceThroughTemporary(const QByteArray& target, const QByteArray& bytes, const struct stat* existing, int& code)
{
    const QByteArray folder = FolderOf(target);
    QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    QByteArray pattern = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        code = errno;
        return false;
    }
    bool ok = WriteAllBytes(fd, bytes);
    if (ok) {
        if (existing) {
            ::fchmod(fd, existing->st_mode & 07777);
            if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
                // Another owner cannot be kept by an ordinary user; the content matters more.
            }
        } else {
            ::fchmod(fd, CreationMode());
        }
        ok = ::fsync(fd) == 0;
    }
    code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(pattern.constData(), target.constData()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(pattern.constData());
        return false;
    }
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, const QString& what, QString& error)
{
    const QByteArray target = SaveTarget(QFile::encodeName(path));
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    int code = 0;
    if (exists && S_ISDIR(st.st_mode))
        code = EISDIR;
    else if (ReplaceThroughTemporary(target, bytes, exists ? &st : nullptr, code))
        return true;
    error = QStringLiteral("cannot write %1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}
