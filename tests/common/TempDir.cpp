#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>

TempDir::TempDir() : FDir(QDir::tempPath() + "/lagwatch-test-XXXXXX") {}

QString TempDir::Path() const { return FDir.path() + "/"; }

QString TempDir::FilePath(const QString& relative) const { return Path() + relative; }

QString TempDir::Write(const QString& relative, const QByteArray& bytes) const
{
    const QString path = FilePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QString TempDir::MakeDir(const QString& relative) const
{
    const QString path = FilePath(relative);
    QDir().mkpath(path);
    return path;
}

bool SetLastWriteMs(const QString& path, int64_t unixMs)
{
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = unixMs / 1000;
    times[1].tv_nsec = (unixMs % 1000) * 1000000;
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
