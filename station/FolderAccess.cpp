#include "station/FolderAccess.h"

#include "platform/PathBytes.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

QString ErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool NothingThere(int error) { return error == ENOENT || error == ENOTDIR; }

}  // namespace

QString FolderProblem(const QString& folder, const QString& named, int* error)
{
    int ignored = 0;
    int& failed = error ? *error : ignored;
    failed = 0;
    const QByteArray native = EncodePath(folder);
    struct stat info;
    if (::stat(native.constData(), &info) != 0) {
        failed = errno;
        return failed == ENOENT ? QStringLiteral("%1 does not exist").arg(named)
                                : QStringLiteral("cannot reach %1: %2").arg(named, ErrorText(failed));
    }
    if (!S_ISDIR(info.st_mode)) {
        failed = ENOTDIR;
        return QStringLiteral("%1 is not a folder").arg(named);
    }
    DIR* listing = ::opendir(native.constData());
    if (!listing) {
        failed = errno;
        return QStringLiteral("cannot read %1: %2").arg(named, ErrorText(failed));
    }
    ::closedir(listing);
    return {};
}

bool IsUnreadable(int error) { return error != 0 && !NothingThere(error); }

int FolderStatusError(const QByteArray& path)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return IsUnreadable(errno) ? errno : -1;
    return S_ISDIR(info.st_mode) ? 0 : -1;
}

int FolderListingError(const QByteArray& path)
{
    DIR* listing = ::opendir(path.constData());
    if (!listing)
        return IsUnreadable(errno) ? errno : 0;
    ::closedir(listing);
    return 0;
}

QString UnlistedFolderMessage(const QString& folder, int error)
{
    return QStringLiteral("cannot list the folder %1: %2").arg(folder, ErrorText(error));
}
