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
