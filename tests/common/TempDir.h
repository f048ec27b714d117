#pragma once
// A temporary folder for one test, removed with everything in it afterwards.
#include <QString>
#include <QByteArray>
#include <QTemporaryDir>
#include <cstdint>

class TempDir
{
public:
    TempDir();
    // Path of the folder, with a trailing '/'.
    QString Path() const;
    QString FilePath(const QString& relative) const;
    // Writes bytes to a file below the folder, creating the folders on the way.
    QString Write(const QString& relative, const QByteArray& bytes) const;
    QString MakeDir(const QString& relative) const;

private:
    QTemporaryDir FDir;
};

// The bytes of a file; empty when it cannot be read.
QByteArray ReadBytes(const QString& path);

// Sets the last-write time of a file, in milliseconds since 1970-01-01 UTC.
bool SetLastWriteMs(const QString& path, int64_t unixMs);
