#include "platform/Collation.h"
#include "platform/PathBytes.h"
#include "scan/TreeScan.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Records every event as one line, paths relative to the tree's root.
class TEventLog
{
public:
    TEventLog(TTreeScanner& scanner, const QString& root) : FRoot(root)
    {
        scanner.SetOnDirectoryFound([this](TTreeScanner* s) { Add("DF", s); });
        scanner.SetOnDirectoryDone([this](TTreeScanner* s) { Add("DD", s); });
        scanner.SetOnFileFound([this](TTreeScanner* s) { Add("FF", s); });
        scanner.SetOnSearchDone([this](TTreeScanner* s) { Add("SD", s); });
    }
    void Add(const char* kind, TTreeScanner* s)
    {
        QString path = s->FileFound();
        if (path.startsWith(FRoot))
            path = path.mid(FRoot.size());
        if (path.isEmpty() && !s->FileFound().isEmpty())
            path = "<root>";
        QString line = QString("%1 %2").arg(kind, path);
        if (kind == QStringLiteral("FF"))
            line += QString(" %1").arg(s->FileSize());
        else if (s->FileSize() != 0)
            line += " size!";
        Lines.append(line.trimmed());
    }
    QStringList Lines;

private:
    QString FRoot;
};

// root: a.txt(3) B.txt(1) c.dat(2) .hid.txt(4) sub1/x.txt(5) sub1/deep/y.txt(6)
//       Sub2/z.txt(7) .hidden/h.txt(8)
void MakeStandardTree(const TempDir& dir)
{
    dir.Write("a.txt", "aaa");
    dir.Write("B.txt", "b");
    dir.Write("c.dat", "cc");
    dir.Write(".hid.txt", "hhhh");
    dir.Write("sub1/x.txt", "xxxxx");
    dir.Write("sub1/deep/y.txt", "yyyyyy");
    dir.Write("Sub2/z.txt", "zzzzzzz");
    dir.Write(".hidden/h.txt", "hhhhhhhh");
}

struct TOrderCase
{
    const char* Name;
    std::function<void(TTreeScanner&, TEventLog&, const QString& root)> Setup;
    QStringList Expected;
};

TEST(TreeScannerEvents, OrderTable)
{
    const QStringList fullWalk = {"DF <root>",       "FF a.txt 3",    "FF B.txt 1",           "DF sub1/",
                                  "FF sub1/x.txt 5", "DF sub1/deep/", "FF sub1/deep/y.txt 6", "DD sub1/deep/",
                                  "DD sub1/",        "DF Sub2/",      "FF Sub2/z.txt 7",      "DD Sub2/",
                                  "DD <root>",       "SD <root>"};
    const TOrderCase cases[] = {
        {"recursive", [](TTreeScanner&, TEventLog&, const QString&) {}, fullWalk},
        {"not recursive",
         [](TTreeScanner& s, TEventLog&, const QString&) { s.SetRecursive(false); },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DD <root>", "SD <root>"}},
        {"hidden folders listed, then announced only",
         [](TTreeScanner& s, TEventLog&, const QString&) {
             s.SetFindHiddenFiles(true);
             s.SetFindHiddenFolders(true);
             // The first file switches Recursive off after the sub-folders were listed.
             s.SetOnFileFound([](TTreeScanner* t) { t->SetRecursive(false); });
         },
         {"DF <root>", "DF .hidden/", "DF sub1/", "DF Sub2/", "DD <root>", "SD <root>"}},
        {"hidden files and folders walked",
         [](TTreeScanner& s, TEventLog&, const QString&) {
             s.SetFindHiddenFiles(true);
             s.SetFindHiddenFolders(true);
             s.SetFileMask("h*");
         },
         {"DF <root>", "DF .hidden/", "FF .hidden/h.txt 8", "DD .hidden/", "DF sub1/", "DF sub1/deep/", "DD sub1/deep/",
          "DD sub1/", "DF Sub2/", "DD Sub2/", "DD <root>", "SD <root>"}},
        {"several masks list a file once",
         [](TTreeScanner& s, TEventLog&, const QString&) {
             s.SetRecursive(false);
             s.SetFileMaskCommaText("*.dat,a*,A.TXT,?.txt");
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "FF c.dat 2", "DD <root>", "SD <root>"}},
        {"stop inside OnFileFound",
         [](TTreeScanner& s, TEventLog& log, const QString&) {
             s.SetOnFileFound([&log](TTreeScanner* t) {
                 log.Add("FF", t);
                 if (t->FileFound().endsWith("x.txt"))
                     t->SetContinueSearch(false);
             });
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DF sub1/", "FF sub1/x.txt 5", "DD sub1/", "DD <root>",
          "SD <root>"}},
        {"stop by a user action dispatched between folders",
         [](TTreeScanner& s, TEventLog& log, const QString&) {
             s.SetOnDirectoryFound([&log](TTreeScanner* t) {
                 log.Add("DF", t);
                 QMetaObject::invokeMethod(
                     qApp, [t] { t->SetContinueSearch(false); }, Qt::QueuedConnection);
             });
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DD <root>", "SD <root>"}},
        {"skip files of one folder",
         [](TTreeScanner& s, TEventLog& log, const QString&) {
             s.SetOnDirectoryFound([&log](TTreeScanner* t) {
                 log.Add("DF", t);
                 if (t->FileFound().endsWith("sub1/"))
                     t->SetSkipFiles(true);
             });
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DF sub1/", "DF sub1/deep/", "FF sub1/deep/y.txt 6", "DD sub1/deep/",
          "DD sub1/", "DF Sub2/", "FF Sub2/z.txt 7", "DD Sub2/", "DD <root>", "SD <root>"}},
        {"Recursive switched off inside a handler",
         [](TTreeScanner& s, TEventLog& log, const QString&) {
             s.SetOnFileFound([&log](TTreeScanner* t) {
                 log.Add("FF", t);
                 t->SetRecursive(false);
             });
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DF sub1/", "DF Sub2/", "DD <root>", "SD <root>"}},
        {"nested search",
         [](TTreeScanner& s, TEventLog& log, const QString& root) {
             s.SetOnFileFound([&log, root](TTreeScanner* t) {
                 log.Add("FF", t);
                 if (t->FileFound().endsWith("x.txt")) {
                     t->SetInitialDirectory(root + "Sub2");
                     t->Search();
                     log.Lines.append(t->SearchInProgress() ? "in progress" : "not in progress");
                 }
             });
         },
         {"DF <root>", "FF a.txt 3", "FF B.txt 1", "DF sub1/", "FF sub1/x.txt 5", "DF Sub2/", "FF Sub2/z.txt 7",
          "DD Sub2/", "SD Sub2/", "not in progress", "DF sub1/deep/", "FF sub1/deep/y.txt 6", "DD sub1/deep/",
          "DD sub1/", "DF Sub2/", "FF Sub2/z.txt 7", "DD Sub2/", "DD <root>", "SD <root>"}},
    };
    TempDir dir;
    MakeStandardTree(dir);
    for (const TOrderCase& c : cases) {
        TTreeScanner scanner;
        TEventLog log(scanner, dir.Path());
        scanner.SetFileMask("*.txt");
        scanner.SetInitialDirectory(dir.Path());
        c.Setup(scanner, log, dir.Path());
        scanner.Search();
        EXPECT_EQ(log.Lines, c.Expected) << c.Name << "\n got: " << log.Lines.join(" | ").toStdString();
        EXPECT_FALSE(scanner.SearchInProgress()) << c.Name;
        EXPECT_EQ(scanner.FileSize(), 0) << c.Name;
    }
}

TEST(TreeScannerEvents, InitialDirectoryForms)
{
    TempDir dir;
    dir.Write("sub1/x.txt", "x");
    const QString root = dir.Path();  // ends with '/'
    struct TCase
    {
        QString Written;
        QString Stored;
    } cases[] = {
        {root.chopped(1), root},
        {root, root},
        {root + "/", root + "/"},
        {root + "missing", root + "missing/"},
    };
    for (const TCase& c : cases) {
        TTreeScanner scanner;
        QStringList found;
        scanner.SetOnDirectoryFound([&](TTreeScanner* s) { found.append(s->FileFound()); });
        scanner.SetFileMask("*");
        scanner.SetInitialDirectory(c.Written);
        scanner.Search();
        EXPECT_EQ(scanner.InitialDirectory(), c.Stored);
        EXPECT_EQ(scanner.FileFound(), c.Stored);
        ASSERT_FALSE(found.isEmpty());
        EXPECT_EQ(found.front(), c.Stored);
    }

    // Empty and relative forms resolve against the current folder.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    TTreeScanner scanner;
    QStringList files;
    scanner.SetOnFileFound([&](TTreeScanner* s) { files.append(s->FileFound()); });
    scanner.SetFileMask("*.txt");
    scanner.SetInitialDirectory("sub1");
    scanner.Search();
    const QString relative = scanner.InitialDirectory();
    scanner.SetInitialDirectory("");
    scanner.Search();
    const QString current = scanner.InitialDirectory();
    QDir::setCurrent(previous);
    EXPECT_EQ(relative, "sub1/");
    EXPECT_EQ(files, (QStringList{"sub1/x.txt", root + "sub1/x.txt"}));
    EXPECT_EQ(current, root);
}

TEST(TreeScannerEvents, StopBeforeTheRootLeavesFileFoundEmpty)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    TTreeScanner scanner;
    TEventLog log(scanner, dir.Path());
    scanner.SetFileMask("*");
    scanner.SetInitialDirectory(dir.Path());
    // Dispatched at the start of the root folder, after Search set the flag.
    QMetaObject::invokeMethod(
        qApp, [&] { scanner.SetContinueSearch(false); }, Qt::QueuedConnection);
    scanner.Search();
    EXPECT_EQ(log.Lines, QStringList{"SD"});
    EXPECT_TRUE(scanner.FileFound().isEmpty());
}

TEST(TreeScannerMasks, WritesDuringSearchAreIgnored)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    dir.Write("b.dat", "b");
    TTreeScanner scanner;
    scanner.SetFileMask("*.txt");
    scanner.SetInitialDirectory(dir.Path());
    QStringList found;
    scanner.SetOnDirectoryFound([](TTreeScanner* s) {
        s->SetFileMask("*.dat");
        s->SetFileMaskCommaText("*.dat,x");
    });
    scanner.SetOnFileFound([&](TTreeScanner* s) { found.append(s->FileFound().mid(dir.Path().size())); });
    scanner.Search();
    EXPECT_EQ(found, QStringList{"a.txt"});
    EXPECT_EQ(scanner.FileMaskCommaText(), "*.txt");
    scanner.SetFileMask("*.dat");
    EXPECT_EQ(scanner.FileMaskCommaText(), "*.dat");
}

TEST(TreeScannerFaults, ExceptionFromHandlerRestoresSearchInProgress)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    dir.Write("b.txt", "b");
    TTreeScanner scanner;
    scanner.SetFileMask("*.txt");
    scanner.SetInitialDirectory(dir.Path());
    int files = 0;
    bool done = false;
    scanner.SetOnFileFound([&](TTreeScanner*) {
        ++files;
        throw std::runtime_error("handler failed");
    });
    scanner.SetOnSearchDone([&](TTreeScanner*) { done = true; });
    EXPECT_THROW(scanner.Search(), std::runtime_error);
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(done);
    EXPECT_FALSE(scanner.SearchInProgress());
    scanner.SetFileMask("b*");
    EXPECT_EQ(scanner.FileMask(), "b*");

    // A nested search left by an exception gives the flag back to the outer walk.
    TTreeScanner outer;
    outer.SetFileMask("a.txt");
    outer.SetInitialDirectory(dir.Path());
    bool innerThrew = false, stillInProgress = false;
    outer.SetOnFileFound([&](TTreeScanner* s) {
        s->SetOnFileFound([](TTreeScanner*) { throw std::runtime_error("inner"); });
        try {
            s->Search();
        } catch (const std::runtime_error&) {
            innerThrew = true;
        }
        stillInProgress = s->SearchInProgress();
    });
    outer.Search();
    EXPECT_TRUE(innerThrew);
    EXPECT_TRUE(stillInProgress);
    EXPECT_FALSE(outer.SearchInProgress());
}

TEST(TreeScannerFaults, FolderLinkBackToAnAncestorIsAnnouncedNotEntered)
{
    TempDir dir;
    dir.Write("a/f.txt", "f");
    dir.Write("c/g.txt", "g");
    dir.MakeDir("b");
    ASSERT_EQ(symlink("..", QFile::encodeName(dir.FilePath("a/loop")).constData()), 0);
    ASSERT_EQ(symlink("../c", QFile::encodeName(dir.FilePath("b/toc")).constData()), 0);
    TTreeScanner scanner;
    TEventLog log(scanner, dir.Path());
    scanner.SetFileMask("*.txt");
    scanner.SetInitialDirectory(dir.Path());
    scanner.Search();
    const QStringList expected = {"DF <root>", "DF a/", "FF a/f.txt 1", "DF a/loop/", "DD a/",
                                  // a link to a folder elsewhere is a folder and is walked
                                  "DF b/", "DF b/toc/", "FF b/toc/g.txt 1", "DD b/toc/", "DD b/", "DF c/",
                                  "FF c/g.txt 1", "DD c/", "DD <root>", "SD <root>"};
    EXPECT_EQ(log.Lines, expected) << log.Lines.join(" | ").toStdString();
}

TEST(TreeScannerFaults, NamesDifferingOnlyInCaseAreAllWalked)
{
    TempDir dir;
    dir.Write("Data/1.grb", "1");
    dir.Write("data/2.grb", "22");
    dir.Write("a.grb", "333");
    dir.Write("A.GRB", "4444");
    TTreeScanner scanner;
    TEventLog log(scanner, dir.Path());
    scanner.SetFileMask("*.grb");
    scanner.SetInitialDirectory(dir.Path());
    scanner.Search();
    const QStringList expected = {"DF <root>",       "FF A.GRB 4", "FF a.grb 3", "DF Data/",
                                  "FF Data/1.grb 1", "DD Data/",   "DF data/",   "FF data/2.grb 2",
                                  "DD data/",        "DD <root>",  "SD <root>"};
    EXPECT_EQ(log.Lines, expected) << log.Lines.join(" | ").toStdString();
}

TEST(TreeScannerFaults, FoldersNotValidUtf8AreWalked)
{
    TempDir dir;
    const QByteArray root = QFile::encodeName(dir.Path());
    for (const QByteArray& name : {QByteArray("bad\xff"), QByteArray("bad\xfe")}) {
        ASSERT_EQ(mkdir((root + name).constData(), 0755), 0);
        const int fd = open((root + name + "/f.txt").constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, name.constData(), 4), 4);
        close(fd);
    }
    TTreeScanner scanner;
    scanner.SetFileMask("*.txt");
    scanner.SetInitialDirectory(dir.Path());
    QList<QByteArray> bytes;
    QStringList texts;
    scanner.SetOnFileFound([&](TTreeScanner* s) {
        bytes.append(s->FileFoundBytes());
        texts.append(s->FileFound());
        struct stat st;
        EXPECT_EQ(stat(s->FileFoundBytes().constData(), &st), 0);
        EXPECT_EQ(st.st_size, s->FileSize());
    });
    scanner.Search();
    // Sorted by their bytes; the decoded paths encode back to exactly those bytes.
    EXPECT_EQ(bytes, (QList<QByteArray>{root + "bad\xfe/f.txt", root + "bad\xff/f.txt"}));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_NE(texts[0], texts[1]);
    EXPECT_EQ(EncodePath(texts[0]), bytes[0]);
    EXPECT_EQ(EncodePath(texts[1]), bytes[1]);
    // The temporary folder's own clean-up works on decoded names only.
    for (const QByteArray& name : {QByteArray("bad\xff"), QByteArray("bad\xfe")}) {
        unlink((root + name + "/f.txt").constData());
        rmdir((root + name).constData());
    }
}

TEST(TreeScannerFaults, UnreadableFolderCountsAsEmpty)
{
    // Permissions bind an ordinary user only: the walk runs as one.
    TempDir dir;
    dir.Write("locked/a.txt", "a");
    GiveToNobody(dir.Path());
    ASSERT_EQ(chmod(QFile::encodeName(dir.FilePath("locked")).constData(), 0), 0);
    const QStringList expected{"DF <root>", "DF locked/", "DD locked/", "DD <root>", "SD <root>"};
    EXPECT_EQ(RunAsNobody([&] {
                  TTreeScanner scanner;
                  TEventLog log(scanner, dir.Path());
                  scanner.SetFileMask("*");
                  scanner.SetInitialDirectory(dir.Path());
                  scanner.Search();
                  if (log.Lines == expected)
                      return true;
                  std::fprintf(stderr, "walked: %s\n", qPrintable(log.Lines.join(", ")));
                  return false;
              }),
              0);
    chmod(QFile::encodeName(dir.FilePath("locked")).constData(), 0755);
}

TEST(TreeScannerSizes, LowThirtyTwoBitsReadSigned)
{
    TempDir dir;
    struct TCase
    {
        const char* Name;
        off_t Size;
        int32_t Expected;
    } cases[] = {
        {"small.bin", 5, 5},
        {"two-gib.bin", off_t(1) << 31, INT32_MIN},
        {"three-gib.bin", off_t(3) << 30, -1073741824},
        {"four-gib.bin", off_t(4) << 30, 0},
        {"four-gib-and-7.bin", (off_t(4) << 30) + 7, 7},
    };
    for (const TCase& c : cases) {
        const int fd = open(QFile::encodeName(dir.FilePath(c.Name)).constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, c.Size), 0) << "sparse file " << c.Name;
        close(fd);
    }
    TTreeScanner scanner;
    scanner.SetFileMask("*.bin");
    scanner.SetInitialDirectory(dir.Path());
    QMap<QString, int32_t> sizes;
    scanner.SetOnFileFound([&](TTreeScanner* s) { sizes[s->FileFound().mid(dir.Path().size())] = s->FileSize(); });
    scanner.Search();
    for (const TCase& c : cases)
        EXPECT_EQ(sizes.value(c.Name, 12345), c.Expected) << c.Name;
}

// A socket bound at a path; the descriptor stays open until the test ends.
int BindSocket(const QByteArray& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(TreeScannerKinds, EveryMatchingEntryComesWithItsKindSizeAndTimes)
{
    TempDir dir;
    const QByteArray root = QFile::encodeName(dir.Path());
    dir.Write("regular.grb", "12345");
    dir.Write("elsewhere/target.bin", "1234567");
    ASSERT_EQ(mkfifo((root + "fifo.grb").constData(), 0644), 0);
    const int socketFd = BindSocket(root + "socket.grb");
    ASSERT_GE(socketFd, 0);
    ASSERT_EQ(symlink("elsewhere/target.bin", (root + "link.grb").constData()), 0);
    ASSERT_EQ(symlink("nowhere", (root + "dangling.grb").constData()), 0);
    ASSERT_EQ(symlink("/dev/null", (root + "device.grb").constData()), 0);
    dir.MakeDir("folder.grb");

    TTreeScanner scanner;
    scanner.SetFileMask("*.grb");
    scanner.SetRecursive(false);
    scanner.SetInitialDirectory(dir.Path());
    QMap<QString, TFileStatus> seen;
    QMap<QString, int32_t> sizes;
    scanner.SetOnFileFound([&](TTreeScanner* s) {
        const QString name = s->FileFound().mid(dir.Path().size());
        seen[name] = s->FileStatus();
        sizes[name] = s->FileSize();
    });
    scanner.Search();
    close(socketFd);

    using K = TFileStatus::TKind;
    ASSERT_EQ(seen.keys(),
              (QStringList{"dangling.grb", "device.grb", "fifo.grb", "link.grb", "regular.grb", "socket.grb"}));
    EXPECT_EQ(seen["regular.grb"].Kind, K::Regular);
    EXPECT_EQ(seen["regular.grb"].Size, 5);
    EXPECT_EQ(sizes["regular.grb"], 5);
    EXPECT_EQ(seen["link.grb"].Kind, K::Regular);  // a link to a regular file counts
    EXPECT_EQ(seen["link.grb"].Size, 7);
    EXPECT_EQ(seen["fifo.grb"].Kind, K::Other);
    EXPECT_EQ(seen["socket.grb"].Kind, K::Other);
    EXPECT_EQ(seen["device.grb"].Kind, K::Other);
    EXPECT_EQ(seen["dangling.grb"].Kind, K::Other);
    EXPECT_EQ(seen["dangling.grb"].Size, 0);
    // The times are those of the file itself, from the same call.
    const auto times = ReadFileTimes(root + "regular.grb");
    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(seen["regular.grb"].Times.LastWriteMs, times->LastWriteMs);
    EXPECT_EQ(seen["regular.grb"].Times.CreationMs, times->CreationMs);
    const auto linkTimes = ReadFileTimes(root + "elsewhere/target.bin");
    ASSERT_TRUE(linkTimes.has_value());
    EXPECT_EQ(seen["link.grb"].Times.LastWriteMs, linkTimes->LastWriteMs);
    // Between files, the status is a folder's.
    EXPECT_EQ(scanner.FileStatus().Kind, K::Folder);
}

TEST(TreeScannerLimits, DeepTreeAndLargeFolder)
{
    TempDir dir;
    const QByteArray root = QFile::encodeName(dir.Path());
    // 1,000 levels below the root, built relative to each level's handle.
    int fd = open(root.constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 1000; ++level) {
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    close(openat(fd, "leaf.txt", O_CREAT | O_WRONLY, 0644));
    close(fd);
    // 20,000 entries in one folder (far more than one read of a listing
    // returns; 100,000 with LAGWATCH_TEST_LARGE=1), one in ten matching.
    const int entries = TestSize(20000, 100000);
    ASSERT_EQ(mkdir((root + "wide").constData(), 0755), 0);
    const int wide = open((root + "wide").constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(wide, 0);
    for (int i = 0; i < entries; ++i) {
        const QByteArray name = QByteArray::number(i) + (i % 10 == 0 ? ".hit" : ".miss");
        close(openat(wide, name.constData(), O_CREAT | O_WRONLY, 0644));
    }
    close(wide);

    TTreeScanner scanner;
    scanner.SetFileMaskCommaText("*.hit,leaf.txt");
    scanner.SetInitialDirectory(dir.Path());
    int folders = 0, done = 0, files = 0, deepest = 0;
    QString previous;
    bool sorted = true;
    scanner.SetOnDirectoryFound([&](TTreeScanner*) { ++folders; });
    scanner.SetOnDirectoryDone([&](TTreeScanner*) { ++done; });
    scanner.SetOnFileFound([&](TTreeScanner* s) {
        ++files;
        if (s->FileFound().endsWith("leaf.txt"))
            deepest = static_cast<int>(s->FileFound().mid(dir.Path().size()).count("d/"));
        else if (!previous.isEmpty() && CompareTextLocale(previous, s->FileFound()) >= 0)
            sorted = false;
        previous = s->FileFound();
    });
    scanner.Search();
    EXPECT_EQ(folders, 1 + 1000 + 1);
    EXPECT_EQ(done, folders);
    EXPECT_EQ(files, entries / 10 + 1);
    EXPECT_EQ(deepest, 1000);
    EXPECT_TRUE(sorted);
}

}  // namespace
