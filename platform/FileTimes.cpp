#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr unsigned TimesMask = STATX_BTIME | STATX_MTIME | STATX_CTIME;

int64_t ToMs(const statx_timestamp& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1000 + static_cast<int64_t>(t.tv_nsec / 1000000);
}

TFileTimes TimesOf(const struct statx& sx)
{
    TFileTimes times;
    times.LastWriteMs = ToMs(sx.stx_mtime);
    times.CreationIsBirthTime = (sx.stx_mask & STATX_BTIME) != 0;
    times.CreationMs = ToMs(times.CreationIsBirthTime ? sx.stx_btime : sx.stx_ctime);
    return times;
}

}  // namespace

std::optional<TFileTimes> ReadFileTimes(const QByteArray& path)
{
    struct statx sx
    {};
    if (statx(AT_FDCWD, path.constData(), AT_STATX_SYNC_AS_STAT, TimesMask, &sx) != 0)
        return std::nullopt;
    return TimesOf(sx);
}

bool ReadFileStatus(int folderFd, const char* name, TFileStatus& status)
{
    struct statx sx
    {};
    if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_SIZE | TimesMask, &sx) != 0) {
        // A dangling link is a file without contents; a vanished entry is gone.
        if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) != 0)
            return false;
        status = TFileStatus{};
        return true;
    }
    status.Kind = S_ISREG(sx.stx_mode)   ? TFileStatus::TKind::Regular
                  : S_ISDIR(sx.stx_mode) ? TFileStatus::TKind::Folder
                                         : TFileStatus::TKind::Other;
    status.Size = static_cast<int64_t>(sx.stx_size);
    status.Times = TimesOf(sx);
    return true;
}
