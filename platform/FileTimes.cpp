#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

int64_t ToMs(const statx_timestamp& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1000 + static_cast<int64_t>(t.tv_nsec / 1000000);
}

} // namespace

std::optional<TFileTimes> ReadFileTimes(const QByteArray& path)
{
    struct statx sx {};
    if (statx(AT_FDCWD, path.constData(), AT_STATX_SYNC_AS_STAT, STATX_BTIME | STATX_MTIME | STATX_CTIME, &sx) != 0)
        return std::nullopt;
    TFileTimes times;
    times.LastWriteMs = ToMs(sx.stx_mtime);
    times.CreationIsBirthTime = (sx.stx_mask & STATX_BTIME) != 0;
    times.CreationMs = ToMs(times.CreationIsBirthTime ? sx.stx_btime : sx.stx_ctime);
    return times;
}
