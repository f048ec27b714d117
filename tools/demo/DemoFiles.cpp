#include "DemoFiles.h"

#include "platform/FileTimes.h"
#include "platform/PathBytes.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DemoData {

bool WriteProduct(const QString& path, int64_t delaySeconds, qsizetype size)
{
    const QByteArray native = EncodePath(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const QByteArray content(size, 'G');
    const bool written = ::write(fd, content.constData(), static_cast<size_t>(size)) == size;
    if (::close(fd) != 0 || !written)
        return false;
    const auto times = ReadFileTimes(native);
    if (!times)
        return false;
    const int64_t writeMs = times->CreationMs - delaySeconds * 1000;
    timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = static_cast<time_t>(std::floor(writeMs / 1000.0));
    ts[1].tv_nsec = static_cast<long>((writeMs - int64_t(ts[1].tv_sec) * 1000) * 1000000);
    return utimensat(AT_FDCWD, native.constData(), ts, 0) == 0;
}

bool MakePath(const QString& path)
{
    const QByteArray folder = EncodePath(path);
    for (qsizetype at = folder.indexOf('/', 1); at >= 0; at = folder.indexOf('/', at + 1))
        ::mkdir(folder.left(at).constData(), 0777);
    ::mkdir(folder.constData(), 0777);
    struct stat info;
    return ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteText(const QString& path, const QByteArray& text)
{
    const int fd = ::open(EncodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const bool written = fd >= 0 && ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
    return fd >= 0 && ::close(fd) == 0 && written;
}

void PrintPath(const char* format, const QString& path) { std::fprintf(stderr, format, EncodePath(path).constData()); }

}  // namespace DemoData
