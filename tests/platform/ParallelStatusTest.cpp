#include "platform/ParallelStatus.h"

#include "tests/common/TempDir.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Whatever thread reads an entry, the caller gets what one status call gives:
// batches small and large (the helper called in), one reader for all of them,
// gone entries and dangling links among the files, a batch given up halfway.
TEST(ParallelStatus, GivesEachEntryItsOwnStatusInTheCallersOrder)
{
    TempDir dir;
    std::vector<QByteArray> names;
    for (int i = 0; i < 700; ++i) {
        const QByteArray name = "f" + QByteArray::number(i);
        dir.Write(name, QByteArray(i % 50, 'x'));
        names.push_back(name);
    }
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(dir.Path() + "dangling").constData()), 0);
    names.insert(names.begin() + 300, "dangling");
    names.insert(names.begin() + 5, "gone");
    const int fd = ::open(QFile::encodeName(dir.Path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);

    TParallelStatus reader;
    for (const size_t size : {size_t(0), size_t(3), size_t(130), names.size(), names.size()}) {
        reader.Begin(fd, size);
        for (size_t i = 0; i < size; ++i)
            reader.Add(names[i].constData());
        for (size_t i = 0; i < size; ++i) {
            const std::optional<TFileStatus>& got = reader.Status(i);
            TFileStatus expected;
            ASSERT_EQ(got.has_value(), ReadFileStatus(fd, names[i].constData(), expected)) << names[i].data();
            if (!got)
                continue;
            EXPECT_EQ(got->Kind, expected.Kind) << names[i].data();
            EXPECT_EQ(got->Size, expected.Size) << names[i].data();
            EXPECT_EQ(got->Times.LastWriteMs, expected.Times.LastWriteMs) << names[i].data();
        }
        if (size == names.size()) {
            EXPECT_FALSE(reader.Status(5).has_value());                      // gone
            EXPECT_EQ(reader.Status(301)->Kind, TFileStatus::TKind::Other);  // dangling
            EXPECT_EQ(reader.Status(300)->Size, 299 % 50);
        }
        reader.Finish();
    }
    // Given up halfway: the helper leaves it, and the next batch is whole.
    reader.Begin(fd, names.size());
    for (const QByteArray& name : names)
        reader.Add(name.constData());
    EXPECT_TRUE(reader.Status(0).has_value());
    reader.Begin(fd, 200);
    for (size_t i = 0; i < 200; ++i)
        reader.Add(names[names.size() - 1 - i].constData());
    EXPECT_EQ(reader.Status(0)->Size, 699 % 50);
    EXPECT_EQ(reader.Status(199)->Size, 500 % 50);
    reader.Finish();
    ::close(fd);
}

// Many hand-overs in a row, each batch just large enough for the helper,
// its statuses asked in every order, some batches given up early: the
// moments a claim, a wait or the batch's end can race (the thread checker's
// build runs this many times).
TEST(ParallelStatus, ManyBatchesInARowEachGetsItsOwnStatuses)
{
    TempDir dir;
    constexpr int Files = 260;
    std::vector<QByteArray> names;
    for (int i = 0; i < Files; ++i) {
        names.push_back("s" + QByteArray::number(i));
        dir.Write(names.back(), QByteArray(i, 'x'));
    }
    const int fd = ::open(QFile::encodeName(dir.Path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    TParallelStatus reader;
    for (int batch = 0; batch < 200; ++batch) {
        const size_t size = 128 + static_cast<size_t>(batch * 7 % (Files - 128));
        const size_t offset = static_cast<size_t>(batch) % (Files - size + 1);
        reader.Begin(fd, size);
        for (size_t i = 0; i < size; ++i)
            reader.Add(names[offset + i].constData());
        // Ascending, descending, from the middle; every fifth batch stops at a third.
        const size_t asked = batch % 5 == 4 ? size / 3 : size;
        for (size_t k = 0; k < asked; ++k) {
            const size_t i = batch % 3 == 0 ? k : batch % 3 == 1 ? size - 1 - k : (k + size / 2) % size;
            const std::optional<TFileStatus>& got = reader.Status(i);
            ASSERT_TRUE(got.has_value()) << batch << " " << i;
            ASSERT_EQ(got->Size, static_cast<int64_t>(offset + i)) << batch << " " << i;
        }
        if (batch % 2 == 0)
            reader.Finish();
    }
    ::close(fd);
}

}  // namespace
