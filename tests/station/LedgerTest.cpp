#include "station/Ledger.h"

#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList Loaded(const QString& path)
{
    TSortedStringList list;
    QString error;
    LoadLedger(list, path, error);
    return list.ToStringList();
}

TEST(Ledger, LoadsEveryLineEndAndEncoding)
{
    TempDir dir;
    struct Case
    {
        const char* label;
        QByteArray bytes;
        QStringList lines;
    };
    const QByteArray utf16le("\xFF\xFE"
                             "b\0=\0"
                             "1\0\r\0\n\0"
                             "a\0=\0"
                             "2\0",
                             18);
    const QByteArray utf16be("\xFE\xFF"
                             "\0b\0=\0"
                             "1\0\r\0a\0=\0"
                             "2",
                             16);
    const Case cases[] = {
        {"CR LF", "b=1\r\na=2\r\n", {"a=2", "b=1"}},
        {"LF", "b=1\na=2\n", {"a=2", "b=1"}},
        {"CR", "b=1\ra=2\r", {"a=2", "b=1"}},
        {"no final break", "b=1\r\na=2", {"a=2", "b=1"}},
        {"mixed", "b=1\ra=2\nc=3\r\n", {"a=2", "b=1", "c=3"}},
        {"empty lines kept once", "b=1\r\n\r\n\r\na=2", {"", "a=2", "b=1"}},
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "b=1\r\na=\xC3\xA9\r\n",
         {"a=\u00e9", "b=1"}},
        {"UTF-16 LE", utf16le, {"a=2", "b=1"}},
        {"UTF-16 BE", utf16be, {"a=2", "b=1"}},
        {"Latin-1 line", "a=\xE9t\xE9\r\nb=\xC3\xA9\r\n", {"a=\u00e9t\u00e9", "b=\u00e9"}},
        {"NUL ends a line only", QByteArray("b=1\0a=2\r\nc=3\r\n", 14), {"a=2", "b=1", "c=3"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        const QString path = dir.Write("ledger.txt", c.bytes);
        EXPECT_EQ(Loaded(path), c.lines) << c.label;
    }
}

TEST(Ledger, KeepsTheFirstOfEqualLinesAndSavesSortedWithCrLf)
{
    TempDir dir;
    const QString path =
        dir.Write("ledger.txt", "202106231315-crm.grb=90\n202106231200-CRM.GRB=5\n202106231200-crm.grb=5\n");
    TSortedStringList list;
    QString error;
    ASSERT_EQ(LoadLedger(list, path, error), TLoadResult::Loaded);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), "202106231200-CRM.GRB=5");
    ASSERT_TRUE(SaveLedger(list, path, error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), "202106231200-CRM.GRB=5\r\n202106231315-crm.grb=90\r\n");
}

TEST(Ledger, WritesBackEveryLoadedLineWithTheSameText)
{
    TempDir dir;
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += "2021" + QByteArray::number(100000 + i) + "-crm.grb=" + QByteArray::number(i) + "\r";
    big += QByteArray(1 << 20, 'x') + "=1\n";
    big += "caf\xE9=7\n";
    big += QByteArray("\0\0\0\0", 4) + "tail=9";
    const QString path = dir.Write("ledger.txt", big);
    const QStringList first = Loaded(path);
    TSortedStringList list;
    QString error;
    LoadLedger(list, path, error);
    ASSERT_TRUE(SaveLedger(list, path, error));
    EXPECT_EQ(Loaded(path), first);
    EXPECT_TRUE(first.contains("tail=9"));
    EXPECT_TRUE(first.contains(QString::fromUtf8("caf\xC3\xA9=7")));
}

TEST(Ledger, MissingFileIsNotAnErrorAndIsCreatedAtSave)
{
    TempDir dir;
    TSortedStringList list;
    QString error;
    EXPECT_EQ(LoadLedger(list, dir.FilePath("new/CRM-received.txt"), error), TLoadResult::Missing);
    EXPECT_TRUE(error.isEmpty());
    list.Add("b=1");
    ASSERT_TRUE(SaveLedger(list, dir.FilePath("new/CRM-received.txt"), error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(dir.FilePath("new/CRM-received.txt")), "b=1\r\n");
}

TEST(Ledger, CreatesTheMissingFoldersOfANewLedger)
{
    // The user's data home (~/.local/share) need not exist yet on a fresh
    // account; the first save must still succeed.
    const char* const places[] = {"new/CRM-received.txt", "share/lagwatch/CRM-received.txt",
                                  "home/.local/share/lagwatch/CRM-received.txt"};
    for (const char* place : places) {
        TempDir dir;
        TSortedStringList list;
        list.Add("202106231200-crm.grb=413");
        QString error;
        EXPECT_TRUE(SaveLedger(list, dir.FilePath(place), error)) << place << ": " << error.toStdString();
        EXPECT_EQ(ReadBytes(dir.FilePath(place)), "202106231200-crm.grb=413\r\n") << place;
    }
}

TEST(Ledger, AFolderWhereTheLedgerShouldBeIsNeitherReadNorReplaced)
{
    TempDir dir;
    const QString path = dir.MakeDir("CRM-received.txt");
    TSortedStringList list;
    QString error;
    EXPECT_EQ(LoadLedger(list, path, error), TLoadResult::Failed);
    EXPECT_FALSE(error.isEmpty());
    list.Add("a=1");
    error.clear();
    EXPECT_FALSE(SaveLedger(list, path, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

// Permissions bind an ordinary user only: the load and the save run as one.
TEST(Ledger, UnreadableLedgerIsLeftUntouched)
{
    TempDir dir;
    const QString path = dir.Write("ledger.txt", "years=of data\r\n");
    GiveToNobody(dir.Path());
    chmod(QFile::encodeName(path).constData(), 0200);
    EXPECT_EQ(RunAsNobody([&] {
                  TSortedStringList list;
                  QString error;
                  if (LoadLedger(list, path, error) != TLoadResult::Failed)
                      return false;
                  list.Add("new=1");
                  return !SaveLedger(list, path, error);
              }),
              0)
        << "the unreadable ledger was loaded or saved";
    chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(ReadBytes(path), "years=of data\r\n");
}

TEST(Ledger, MergesWhatAnotherSaverWrote)
{
    TempDir dir;
    const QString path = dir.Write("ledger.txt", "a=1\r\n");
    TSortedStringList first, second;
    QString error;
    LoadLedger(first, path, error);
    LoadLedger(second, path, error);
    first.Add("b=2");
    second.Add("c=3");
    second.Add("B=99");  // a second line for a name the other saver holds: ours wins, no duplicate
    ASSERT_TRUE(SaveLedger(first, path, error));
    ASSERT_TRUE(SaveLedger(second, path, error));
    EXPECT_EQ(ReadBytes(path), "a=1\r\nB=99\r\nc=3\r\n");
}

TEST(Ledger, ReplacesTheTargetOfALinkAndKeepsItsPermissions)
{
    TempDir dir;
    const QString target = dir.Write("real/ledger.txt", "a=1\r\n");
    chmod(QFile::encodeName(target).constData(), 0640);
    const QString link = dir.FilePath("link.txt");
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    TSortedStringList list;
    QString error;
    LoadLedger(list, link, error);
    list.Add("b=2");
    ASSERT_TRUE(SaveLedger(list, link, error));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), "a=1\r\nb=2\r\n");
    struct stat st
    {};
    stat(QFile::encodeName(target).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Ledger, RewritesInPlaceWhenTheFolderIsReadOnly)
{
    TempDir dir;
    const QString path = dir.Write("ro/ledger.txt", "a=1\r\n");
    GiveToNobody(dir.Path());
    chmod(QFile::encodeName(dir.FilePath("ro")).constData(), 0555);
    const int saved = RunAsNobody([&] {
        TSortedStringList list;
        QString error;
        LoadLedger(list, path, error);
        list.Add("b=2");
        if (SaveLedger(list, path, error))
            return true;
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    });
    chmod(QFile::encodeName(dir.FilePath("ro")).constData(), 0755);
    ASSERT_EQ(saved, 0);
    EXPECT_EQ(ReadBytes(path), "a=1\r\nb=2\r\n");
}

}  // namespace
