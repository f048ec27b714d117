// The rewrite in place: every state a cut-short rewrite can leave reads as
// the old content or the new one, whole; a full disk, a file-size limit and
// SIGKILL at random moments leave nothing else.
#include "platform/InPlaceRewrite.h"
#include "platform/PathBytes.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <limits>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Lines(const char* prefix, int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += prefix + QByteArray::number(100000 + i) + "-crm.grb=" + QByteArray::number(i % 997) + "\r\n";
    return text;
}

bool Rewrite(const QString& path, const QByteArray& content, int& code)
{
    const int fd = ::open(EncodePath(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        return false;
    }
    const QByteArray physical = ReadBytes(path);
    const bool ok = RewriteInPlace(fd, physical, content, code);
    ::close(fd);
    return ok;
}

TEST(InPlaceRewrite, RewritesAndLeavesAPlainFile)
{
    TempDir dir;
    struct Case
    {
        const char* what;
        QByteArray before, after;
    };
    const Case cases[] = {
        {"grows", "a=1\r\n", Lines("b", 300)}, {"shrinks", Lines("b", 300), "a=1\r\n"},
        {"same size", "a=1\r\n", "b=2\r\n"},   {"from empty", "", "a=1\r\n"},
        {"to empty", "a=1\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.Write("ledger.txt", c.before);
        int code = 0;
        ASSERT_TRUE(Rewrite(path, c.after, code)) << strerror(code);
        EXPECT_EQ(ReadBytes(path), c.after);
        EXPECT_EQ(ResolveRewrite(ReadBytes(path)).State, TRewriteState::Plain);
    }
}

TEST(InPlaceRewrite, EveryCutShortStateReadsAsTheOldOrTheNewContent)
{
    for (const auto& [old, neu] :
         {std::pair{Lines("a", 50), Lines("a", 50) + Lines("b", 70)}, std::pair{Lines("a", 120), Lines("a", 3)},
          std::pair{QByteArray(), Lines("b", 5)}, std::pair{Lines("a", 5), QByteArray()}}) {
        SCOPED_TRACE(old.size());
        SCOPED_TRACE(neu.size());
        const QByteArray full = old + RewriteJournal(old.size(), neu);
        // Every prefix of the journal, as a write cut short leaves it: the old content.
        for (qsizetype size = old.size(); size < full.size(); ++size) {
            const TRewriteView view = ResolveRewrite(full.left(size));
            ASSERT_EQ(view.Content, old) << "cut at " << size;
            ASSERT_EQ(view.State, size == old.size() ? TRewriteState::Plain : TRewriteState::Interrupted) << size;
        }
        // The complete journal, with the front overwritten by any part of the
        // new content, and after the cut: the new content.
        for (qsizetype front = 0; front <= neu.size(); front += 7) {
            QByteArray state = full;
            state.replace(0, front, neu.left(front));
            const TRewriteView view = ResolveRewrite(state);
            ASSERT_EQ(view.Content, neu) << "front " << front;
            ASSERT_EQ(view.State, TRewriteState::Committed);
        }
        EXPECT_EQ(ResolveRewrite(neu).Content, neu);
        // A damaged copy of the new content is no commit: the old content.
        if (!neu.isEmpty()) {
            QByteArray damaged = full;
            damaged[full.size() - 91 - 1] = '#';
            EXPECT_EQ(ResolveRewrite(damaged).Content, old);
        }

        // A later rewrite finishes a committed journal or removes a cut-short
        // one before its own.
        TempDir dir;
        const QString path = dir.FilePath("ledger.txt");
        for (const QByteArray& state : {full, full.left(old.size() + 40), full.left(old.size() + 3)}) {
            dir.Write("ledger.txt", state);
            const QByteArray next = ResolveRewrite(state).Content + "c=1\r\n";
            int code = 0;
            ASSERT_TRUE(Rewrite(path, next, code));
            EXPECT_EQ(ReadBytes(path), next);
        }
    }
}

TEST(InPlaceRewrite, UnrelatedFilesReadAsThemselves)
{
    // UTF-16 text ends with a NUL byte of its own; it is no cut-short journal.
    const QByteArray utf16("b\0=\0"
                           "1\0",
                           6);
    EXPECT_EQ(ResolveRewrite(utf16).Content, utf16);
    EXPECT_EQ(ResolveRewrite(utf16).State, TRewriteState::Plain);
    const QByteArray text = "a=1\r\n";
    EXPECT_EQ(ResolveRewrite(text).State, TRewriteState::Plain);
    EXPECT_EQ(ResolveRewrite(QByteArray()).State, TRewriteState::Plain);
    // A text that ends with the journal's first bytes.
    EXPECT_EQ(ResolveRewrite(QByteArray("a=1\r\n\0\0LAGW", 11)).Content, text);
}

TEST(InPlaceRewrite, AFileSizeLimitCuttingTheJournalLeavesTheOldContent)
{
    // RLIMIT_FSIZE stops the journal's write part way (EFBIG), wherever the
    // limit lies: the write is undone and the file is the old one.
    TempDir dir;
    const QByteArray old = Lines("a", 2000), neu = old + Lines("b", 2000);
    const QString path = dir.Write("ledger.txt", old);
    std::mt19937 random(16);
    int cut = 0;
    for (int round = 0; round < 12; ++round) {
        dir.Write("ledger.txt", old);
        const qint64 limit = old.size() + qint64(random() % (2 * neu.size() + 200));
        const int status = WaitChild(StartChild(
            [&] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit r{rlim_t(limit), rlim_t(limit)};
                ::setrlimit(RLIMIT_FSIZE, &r);
                int code = 0;
                return Rewrite(path, neu, code);
            },
            false));
        const QByteArray now = ReadBytes(path);
        if (status == 0) {
            EXPECT_EQ(now, neu) << "limit " << limit;
        } else {
            ++cut;
            EXPECT_EQ(now, old) << "limit " << limit;
        }
    }
    EXPECT_GT(cut, 0);
}

TEST(InPlaceRewrite, AFullDiskLeavesTheOldContent)
{
    if (!IsRoot()) {
        if (MaySkipWithoutRoot())
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        FAIL() << "mounting a small tmpfs needs root";
    }
    TempDir dir;
    TTmpfs disk(dir.Path(), 4 << 20);
    ASSERT_TRUE(disk.Mounted()) << disk.Error().toStdString();
    const QByteArray old = Lines("a", 20000), neu = old + Lines("b", 20000);
    int failed = 0, saved = 0;
    for (qint64 free : {0LL, 4096LL, 200000LL, 700000LL, 1400000LL, 2000000LL, 3000000LL}) {
        SCOPED_TRACE(free);
        QFile::remove(disk.Path() + "filler");
        QFile::remove(disk.Path() + "ledger.txt");
        {
            QFile f(disk.Path() + "ledger.txt");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_EQ(f.write(old), old.size());
        }
        FillFileSystem(disk.Path(), free);
        int code = 0;
        if (Rewrite(disk.Path() + "ledger.txt", neu, code)) {
            ++saved;
            EXPECT_EQ(ReadBytes(disk.Path() + "ledger.txt"), neu);
        } else {
            ++failed;
            EXPECT_EQ(code, ENOSPC);
            EXPECT_EQ(ReadBytes(disk.Path() + "ledger.txt"), old);
        }
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(saved, 0);
}

TEST(InPlaceRewrite, KilledAtRandomMomentsReadsAsTheOldOrTheNewContent)
{
    TempDir dir;
    const QByteArray old = Lines("a", 20000), neu = old + Lines("b", 20000);
    const QString path = dir.Write("ledger.txt", old);
    // A rewrite in a child that reports as it begins and how long it took.
    auto start = [&] {
        return StartReportingChild(
            [&](int report) {
                Report(report, 0);
                const qint64 begun = NowUs();
                int code = 0;
                const bool ok = Rewrite(path, neu, code);
                Report(report, NowUs() - begun);
                return ok;
            },
            false);
    };
    // The fastest of three, timed inside the rewriting process.
    qint64 took = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 3; ++i) {
        dir.Write("ledger.txt", old);
        const TReportingChild child = start();
        qint64 begun = 0, us = 0;
        ASSERT_TRUE(ReadReport(child.Read, begun) && ReadReport(child.Read, us));
        ::close(child.Read);
        ASSERT_EQ(WaitChild(child.Pid), 0);
        took = std::min(took, us);
    }
    std::mt19937 random(2);
    const int rounds = KillRounds(24);
    int sawOld = 0, sawNew = 0, sawJournal = 0;
    for (int round = 0; round < rounds; ++round) {
        dir.Write("ledger.txt", old);
        const TReportingChild child = start();
        qint64 begun = 0;
        ReadReport(child.Read, begun);
        ::usleep(static_cast<useconds_t>(random() % (took + 1)));
        ::kill(child.Pid, SIGKILL);
        WaitChild(child.Pid);
        ::close(child.Read);
        const QByteArray now = ReadBytes(path);
        const TRewriteView view = ResolveRewrite(now);
        ASSERT_TRUE(view.Content == old || view.Content == neu) << "round " << round << ", size " << now.size();
        (view.Content == old ? sawOld : sawNew)++;
        sawJournal += view.State != TRewriteState::Plain;
        // The next rewrite starts from whatever was left.
        int code = 0;
        ASSERT_TRUE(Rewrite(path, neu + "c=1\r\n", code));
        ASSERT_EQ(ReadBytes(path), neu + "c=1\r\n");
    }
    std::printf("%d kills during rewrites in place of %lld us: %d left the old content, %d the new, %d a journal\n",
                rounds, static_cast<long long>(took), sawOld, sawNew, sawJournal);
}

}  // namespace
