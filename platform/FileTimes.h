#pragma once
// Creation and last-write times of a file, in whole milliseconds since
// 1970-01-01 UTC (truncated). Where the file system keeps no birth time, the
// status-change time stands in for the creation time.
#include <QByteArray>
#include <cstdint>
#include <optional>

struct TFileTimes
{
    int64_t CreationMs = 0;
    int64_t LastWriteMs = 0;
    bool CreationIsBirthTime = false;
};

// Empty when the file cannot be examined (removed, no access). Links are followed.
std::optional<TFileTimes> ReadFileTimes(const QByteArray& path);

// What one status call tells about a folder entry, links followed.
struct TFileStatus
{
    enum class TKind {
        Regular,  // a regular file, or a link to one
        Folder,   // a folder, or a link to one
        Other,    // a FIFO, socket or device, or a link that leads nowhere
    };
    TKind Kind = TKind::Other;
    int64_t Size = 0;  // 0 for a link that leads nowhere
    TFileTimes Times;  // zero for a link that leads nowhere
};

// One statx call for the entry `name` of the open folder `folderFd` gives its
// type, size and times. A link that leads nowhere costs a second call, to tell
// it from an entry that has gone: it is Other, with size 0. False when the
// entry cannot be examined at all.
bool ReadFileStatus(int folderFd, const char* name, TFileStatus& status);
