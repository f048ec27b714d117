#include "platform/AtomicFile.h"

#include "platform/PathBytes.h"

#include <QList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The folder whose entries a rename changed and that is not synced yet. A
// run of saves into one folder (a family's day files) syncs it once: before a
// file of another folder is replaced, and when the program ends. Until then
// a crash may bring back the old file, never a mixed one; the file system's
// own journal commits (seconds) make the rename durable meanwhile anyway.
class TPendingFolderSync
{
public:
    ~TPendingFolderSync() { Note(QByteArray()); }
    void Note(const QByteArray& folder)
    {
        const std::lock_guard lock(FMutex);
        if (folder == FFolder)
            return;
        if (!FFolder.isEmpty()) {
            const int dir = ::open(FFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
        }
        FFolder = folder;
    }

private:
    std::mutex FMutex;
    QByteArray FFolder;
};

TPendingFolderSync& PendingFolderSync()
{
    static TPendingFolderSync pending;
    return pending;
}

QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

QByteArray TemporaryPrefix(const QByteArray& target) { return "." + NameOf(target) + "."; }

bool IsTemporaryName(const QByteArray& entry, const QByteArray& prefix)
{
    if (entry.size() != prefix.size() + 6 || !entry.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Writes straight into an existing file that is no regular file (a device,
// a pipe): there is nothing to replace.
bool WriteIntoSpecialFile(const QByteArray& target, const QByteArray& bytes, int& code)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        code = errno;
        return false;
    }
    bool ok = WriteAllBytes(fd, bytes);
    code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    return ok;
}

}  // namespace

int RemoveLeftoverTemporaries(const QByteArray& target)
{
    const QByteArray folder = FolderOf(target);
    const QByteArray prefix = TemporaryPrefix(target);
    DIR* listing = ::opendir(folder.constData());
    if (!listing)
        return 0;
    QList<QByteArray> found;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (IsTemporaryName(name, prefix))
            found.append(name);
    }
    ::closedir(listing);
    int removed = 0;
    for (const QByteArray& name : found) {
        const QByteArray path = folder + "/" + name;
        struct stat st
        {};
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

bool WriteAllBytes(int fd, QByteArrayView bytes)
{
    const char* p = bytes.data();
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

namespace {

// The link at path stands in a sticky folder that everyone may write and
// belongs neither to this process's user nor to the folder's owner.
bool ForeignLinkInSharedFolder(const QByteArray& path)
{
    struct stat link
    {
    }, folder{};
    if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode) ||
        ::stat(FolderOf(path).constData(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

// Follows the chain of links from path; stops at (and answers
// false for) the first link ForeignLinkInSharedFolder refuses.
bool FollowLinks(const QByteArray& path, QByteArray& target)
{
    QByteArray current = path;
    for (int hop = 0; hop < 40; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), buffer, sizeof buffer - 1);
        if (n < 0)
            break;
        if (ForeignLinkInSharedFolder(current)) {
            target = current;
            return false;
        }
        QByteArray next(buffer, n);
        if (!next.startsWith('/')) {
            const int slash = current.lastIndexOf('/');
            next = (slash >= 0 ? current.left(slash + 1) : QByteArray()) + next;
        }
        // /proc's links to pipes and sockets (/dev/stdout into a pipe) name
        // no path ("pipe:[1234]"), yet the kernel opens them: the link itself
        // is the file then. A link to a file not made yet is still followed.
        struct stat named
        {
        }, opened{};
        if (::lstat(next.constData(), &named) != 0 && ::stat(current.constData(), &opened) == 0)
            break;
        current = next;
    }
    target = current;
    return true;
}

}  // namespace

bool OutputTarget(const QByteArray& path, QByteArray& target) { return FollowLinks(path, target); }

QByteArray FolderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

bool ReplaceThroughTemporary(const QByteArray& target, const QByteArray& bytes, const struct stat* existing, int& code,
                             struct stat* written)
{
    return ReplaceThroughTemporary(
        target, [&bytes](int fd) { return WriteAllBytes(fd, bytes); }, existing, code, written);
}

bool ReplaceThroughTemporary(const QByteArray& target, const std::function<bool(int fd)>& write,
                             const struct stat* existing, int& code, struct stat* written)
{
    const QByteArray folder = FolderOf(target);
    QByteArray pattern = folder + "/" + TemporaryPrefix(target) + "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        code = errno;
        return false;
    }
    bool ok = write(fd);
    if (ok) {
        if (existing) {
            ::fchmod(fd, existing->st_mode & 07777);
            if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
                // Another owner cannot be kept by an ordinary user; the content matters more.
            }
        } else {
            ::fchmod(fd, CreationMode());
        }
        ok = ::fsync(fd) == 0 && (!written || ::fstat(fd, written) == 0);
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
    PendingFolderSync().Note(folder);
    return true;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, const QString& what, QString& error)
{
    QByteArray target;
    if (!OutputTarget(EncodePath(path), target)) {
        error = QStringLiteral("cannot write %1 %2: %3 is another user's symbolic link in a shared folder")
                    .arg(what, path, DecodePath(target));
        return false;
    }
    struct stat st
    {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    int code = 0;
    if (exists && S_ISDIR(st.st_mode))
        code = EISDIR;
    else if (exists && !S_ISREG(st.st_mode)) {
        if (WriteIntoSpecialFile(target, bytes, code))
            return true;
    } else if (ReplaceThroughTemporary(target, bytes, exists ? &st : nullptr, code))
        return true;
    error = QStringLiteral("cannot write %1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool ReplaceCacheFile(const QByteArray& target, const QByteArray& bytes)
{
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    // As readable as any file the program makes (mkstemp's are the owner's alone).
    ::fchmod(fd, CreationMode());
    const bool written = WriteAllBytes(fd, bytes);
    if (::close(fd) == 0 && written && ::rename(temporary.constData(), target.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}

void SyncPendingFolder() { PendingFolderSync().Note(QByteArray()); }
