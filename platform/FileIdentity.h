#pragma once
// Which file, and which version of it: device, inode, size and the time of
// the last change to its content. A replacement through a temporary file is
// a new inode, and a rewrite in place a new modification time, so a
// derived file that records the identity of its source can tell when the
// source has changed since.
#include <cstdint>
#include <sys/stat.h>

struct TFileIdentity
{
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = -1;
    int64_t ModifiedSeconds = 0;
    int64_t ModifiedNanoseconds = 0;

    static TFileIdentity Of(const struct stat& st)
    {
        return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<int64_t>(st.st_mtim.tv_nsec)};
    }
    bool operator==(const TFileIdentity&) const = default;
};
