#include "platform/AtomicFile.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

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
        {"through a link to a file not made yet", nullptr, 0, true},
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
        EXPECT_EQ(ReadBytes(dir.FilePath("out.prom")), "new\n");
        const mode_t mask = ::umask(0);
        ::umask(mask);
        EXPECT_EQ(ModeOf(dir.FilePath("out.prom")), c.before ? c.mode : (0666 & ~mask));
        EXPECT_EQ(QFileInfo(dir.FilePath("link.prom")).isSymLink(), c.link);
        EXPECT_EQ(Entries(dir), c.link ? QStringList({"link.prom", "out.prom"}) : QStringList({"out.prom"}));
    }
}

// /dev/stdout into a pipe is such a link: /proc names no path for a pipe.
TEST(AtomicFile, ALinkToAPipeWritesIntoThePipe)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    QString error;
    EXPECT_TRUE(WriteFileAtomically(QStringLiteral("/proc/self/fd/%1").arg(ends[1]), "piped\n", "the CSV", error))
        << error.toStdString();
    ::close(ends[1]);
    char buffer[16] = {};
    EXPECT_EQ(::read(ends[0], buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "piped\n");
    ::close(ends[0]);
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

// A link another user planted in a shared sticky folder (/tmp) is not
// followed: with fs.protected_symlinks=0 the kernel would let root's write
// through to any file. The caller's own links and the folder owner's are.
TEST(AtomicFile, AnotherUsersLinkInASharedStickyFolderIsRefused)
{
    REQUIRE_ROOT("links of another user need root to make");
    struct Case
    {
        const char* what;
        mode_t folderMode;
        bool folderOfNobody;
        bool linkOfNobody;
        bool followed;
    };
    const Case cases[] = {
        {"nobody's link in root's /tmp-like folder", 01777, false, true, false},
        {"the caller's own link there", 01777, false, false, true},
        {"the folder owner's link", 01777, true, true, true},
        {"nobody's link in a folder without the sticky bit", 0777, false, true, true},
        {"nobody's link in a sticky folder only its owner writes", 01755, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const QString target = dir.Write("etc/some-file", "precious\n");
        const QString shared = dir.MakeDir("shared");
        const QString link = shared + "/out.prom";
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), c.folderMode), 0);
        if (c.folderOfNobody) {
            ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), NobodyUid, NobodyGid), 0);
        }
        if (c.linkOfNobody) {
            ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), NobodyUid, NobodyGid), 0);
        }
        QString error;
        EXPECT_EQ(WriteFileAtomically(link, "metrics\n", "the metrics", error), c.followed) << error.toStdString();
        EXPECT_EQ(ReadBytes(target), c.followed ? "metrics\n" : "precious\n");
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        if (!c.followed) {
            EXPECT_EQ(error, "cannot write the metrics " + link + ": " + link +
                                 " is another user's symbolic link in a shared folder");
        }
    }
    // An ordinary user's own link in a shared folder, to a file of theirs.
    TempDir dir;
    const QString shared = dir.MakeDir("shared");
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    GiveToNobody(dir.Path());
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    ::chown(QFile::encodeName(shared).constData(), 0, 0);
    EXPECT_EQ(RunAsNobody([&] {
                  const QString mine = shared + "/mine.prom";
                  QString error;
                  return ::symlink("mine.real", QFile::encodeName(mine).constData()) == 0 &&
                         WriteFileAtomically(mine, "x\n", "the metrics", error) &&
                         ReadBytes(shared + "/mine.real") == "x\n";
              }),
              0);
}

}  // namespace
