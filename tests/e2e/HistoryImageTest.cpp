// The real program writing the history map and the chart without a display:
// at scale 1 and 2 the same pictures, the map always a PNG, and an image
// that cannot be written failing the run.
#include "report/DelaySummary.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <set>

namespace {

#ifdef LAGWATCH_SANITIZED
constexpr bool PinClock = false;
#else
constexpr bool PinClock = true;
#endif

// At 08:00 UTC on 24 June 2021, as the other end-to-end runs.
TRun RunPinned(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = BareEnvironment();
    const QStringList pinned = {"TZ=UTC", "FAKETIME_DONT_FAKE_MONOTONIC=1", "faketime", "2021-06-24 08:00:00"};
    return RunProgram("/usr/bin/env", (PinClock ? pinned : QStringList()) + QStringList{program} + arguments, env);
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }

// The 2x image is the 1x one at twice the size: wherever the 1x picture is
// flat (a pixel like the 24 around it: glyphs drawn at 2x may reach a pixel
// beyond their 1x shapes) the 2x one has the same colour in the four pixels
// over it, and it has no colour the 1x one lacks (no blur).
void ExpectSamePictureAtTwice(const QImage& one, const QImage& two, const char* what)
{
    ASSERT_FALSE(one.isNull()) << what;
    ASSERT_EQ(two.size(), one.size() * 2) << what;
    int flat = 0, differ = 0;
    std::set<QRgb> colours, extra;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            colours.insert(At(one, x, y));
    for (int y = 2; y + 2 < one.height(); ++y)
        for (int x = 2; x + 2 < one.width(); ++x) {
            const QRgb p = At(one, x, y);
            bool same = true;
            for (int dy = -2; dy <= 2 && same; ++dy)
                for (int dx = -2; dx <= 2 && same; ++dx)
                    same = At(one, x + dx, y + dy) == p;
            if (!same)
                continue;
            ++flat;
            differ += At(two, 2 * x, 2 * y) != p || At(two, 2 * x + 1, 2 * y + 1) != p;
        }
    for (int y = 0; y < two.height(); ++y)
        for (int x = 0; x < two.width(); ++x)
            if (!colours.count(At(two, x, y)))
                extra.insert(At(two, x, y));
    EXPECT_GT(flat, one.width() * one.height() / 2) << what;
    EXPECT_EQ(differ, 0) << what;
    EXPECT_TRUE(extra.empty()) << what << ": " << extra.size() << " colours only at 2x";
}

}  // namespace

TEST(HistoryImage, ScaleTwoDrawsTheSamePicturesAtTwiceTheSize)
{
    if (PinClock && QStandardPaths::findExecutable("faketime").isEmpty()) {
        if (MaySkipWithoutSetup())
            GTEST_SKIP() << "faketime is not installed";
        FAIL() << "faketime is not installed";
    }
    TempDir dir;
    const QString data = dir.FilePath("data"), ledger = dir.Write("ledger.txt", "");
    ASSERT_EQ(RunPinned(DEMO_DATA_BIN, {"--days", "40", "--seed", "5", data}).ExitCode, 0);
    // The map's name says JPEG: it is a PNG all the same.
    const TRun one = RunPinned(LAGWATCH_BIN, {data, ledger, "-close", "-png=" + dir.FilePath("c1.png"),
                                              "-history-png=" + dir.FilePath("h1.jpg")});
    ASSERT_EQ(one.ExitCode, 0) << one.Err.toStdString();
    const TRun two = RunPinned(LAGWATCH_BIN, {data, ledger, "-close", "-png-scale=2", "-png=" + dir.FilePath("c2.png"),
                                              "-history-png=" + dir.FilePath("h2.png")});
    ASSERT_EQ(two.ExitCode, 0) << two.Err.toStdString();

    QFile map(dir.FilePath("h1.jpg"));
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    EXPECT_TRUE(map.read(8).startsWith("\x89PNG\r\n")) << "the map is written as PNG";
    const QImage h1(dir.FilePath("h1.jpg"), "PNG");
    EXPECT_EQ(QImage(dir.FilePath("c1.png")).size(), QSize(728, 289));
    ExpectSamePictureAtTwice(QImage(dir.FilePath("c1.png")), QImage(dir.FilePath("c2.png")), "chart");
    ExpectSamePictureAtTwice(h1, QImage(dir.FilePath("h2.png")), "map");
    // The demo station's slots were learned: the map has cells in the chart's green.
    int green = 0;
    for (int y = 0; y < h1.height(); ++y)
        for (int x = 0; x < h1.width(); ++x)
            green += At(h1, x, y) == ToQColor(ColourInTime).rgb();
    EXPECT_GT(green, 500);
}

TEST(HistoryImage, WhatCannotBeWrittenOrScaledEndsTheRunWithItsStatus)
{
    TempDir dir;
    const QString data = dir.MakeDir("data"), ledger = dir.Write("ledger.txt", "");
    const QString nowhere = dir.FilePath("no-such-folder/map.png");
    struct
    {
        QStringList Options;
        int Status;
        const char* Says;
    } const cases[] = {
        {{"-close", "-history-png=" + nowhere}, 1, "cannot write the image"},
        {{"-check", "-history-png=" + nowhere}, 3, "the history image"},
        {{"-close", "-png-scale=5"}, 2, "needs a whole number from 1 to 4"},
    };
    for (const auto& c : cases) {
        const TRun run = RunProgram(LAGWATCH_BIN, QStringList{data, ledger} + c.Options, BareEnvironment());
        EXPECT_EQ(run.ExitCode, c.Status) << c.Options.join(' ').toStdString() << run.Err.toStdString();
        EXPECT_TRUE((run.Err + run.Out).contains(c.Says)) << (run.Err + run.Out).toStdString();
        EXPECT_FALSE(QFile::exists(nowhere));
    }
}
