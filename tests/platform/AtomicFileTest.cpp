#include "platform/AtomicFile.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t ModeOf(const QString& path)
{
    struct stat st
    {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Only the files the test made: no temporary file is ever left behind.
QStringList Entries(const TempDir& dir)
{
    return QDir(dir.Path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(AtomicFile, ReplacesWholeAndKeepsWhatTheFileWas)
{
    struct Case
    {
        const char* what;
        const char* before;
        mode_t mode;
        bool link;
    };
    const Case cases[] = {
        {"new file", nullptr, 0, false},
        {"replaced, permissions kept", "old content that is longer", 0640, false},
        {"group-writable kept", "x", 0664, false},
        {"through a link", "old", 0600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        QString path = dir.FilePath("out.prom");
        if (c.before) {
            dir.Write("out.prom", c.before);
            ::chmod(QFile::encodeName(path).constData(), c.mode);
        }
        if (c.link) {
            ASSERT_EQ(::symlink("out.prom", QFile::encodeName(dir.FilePath("link.prom")).constData()), 0);
            path = dir.FilePath("link.prom");
        }
        QString error;
        ASSERT_TRUE(WriteFileAtomically(path, "new\n", "the metrics", error)) << error.toStdString();
        EXPECT_EQ(ReadFile(dir.FilePath("out.prom")), "new\n");
        const mode_t mask = ::umask(0);
        ::umask(mask);
        EXPECT_EQ(ModeOf(dir.FilePath("out.prom")), c.before ? c.mode : (0666 & ~mask));
        EXPECT_EQ(QFileInfo(dir.FilePath("link.prom")).isSymLink(), c.link);
        EXPECT_EQ(Entries(dir), c.link ? QStringList({"link.prom", "out.prom"}) : QStringList({"out.prom"}));
    }
}

TEST(AtomicFile, FailuresNameTheFileAndLeaveNothingBehind)
{
    struct Case
    {
        const char* what;
        const char* target;
        const char* reason;
    };
    const Case cases[] = {
        {"missing folder", "missing/out.csv", "No such file or directory"},
        {"a folder", "folder", "Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.MakeDir("folder");
        QString error;
        EXPECT_FALSE(WriteFileAtomically(dir.FilePath(c.target), "x", "the CSV", error));
        EXPECT_EQ(error, QStringLiteral("cannot write the CSV %1: %2").arg(dir.FilePath(c.target), c.reason));
        EXPECT_EQ(Entries(dir), QStringList({"folder"}));
    }
}

}  // namespace
