// A window that keeps watching: "Scan again" and the -refresh beat find new
// products and save the ledger at every scan; a vanished data folder and a
// ledger that cannot be saved are shown in the window, and the next scan
// tries again. Run offscreen, and under a virtual display (desktop.xvfb).
#include "app/CommandLine.h"
#include "app/StationRun.h"
#include "desktop/LagwatchPlotForm.h"
#include "desktop/FamilySelector.h"
#include "desktop/ScanRepeater.h"
#include "desktop/WatchControls.h"

#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/WindowStation.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class WatchingWindowTest : public ::testing::Test, public TWindowStation
{
protected:
    // A product of 23 June 2021 that came ten minutes late.
    void Deliver(const QString& time) { TWindowStation::Deliver("20210623" + time + "-crm.grb", 10); }

    QByteArray SavedLedger()
    {
        QFile file(Ledger());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

    static QString Status(const TFormLagwatchPlot& form) { return form.Watch()->StatusLine()->text(); }

    // Lets the event loop run until the condition holds.
    static bool Eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 100000 && !condition(); ++i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return condition();
    }

    TScopedEnvironment FLockWait{"LAGWATCH_LOCK_WAIT", "0"};
};

TEST_F(WatchingWindowTest, ScanAgainFindsNewProductsAndSavesTheLedger)
{
    Deliver("1200");
    auto form = Open();
    EXPECT_EQ(form->height(), 307) << "without the new switch, today's window";
    EXPECT_FALSE(form->Watch()->StatusLine()->isVisibleTo(form.get()));
    EXPECT_EQ(SavedLedger(), "") << "a window that scanned once saves when it closes";
    EXPECT_EQ(form->Watch()->ScanAgain()->shortcut(), QKeySequence(Qt::Key_F5));

    Deliver("1315");
    form->Watch()->ScanAgain()->trigger();
    EXPECT_EQ(SavedLedger(), "202106231200-crm.grb=600\r\n202106231315-crm.grb=600\r\n");
    EXPECT_EQ(form->windowTitle(), "Lagwatch - latest data was from 2021-Jun-23, day 174");
    EXPECT_EQ(form->Hint().count("=> 10.0 minutes"), 2) << form->Hint().toStdString();
    EXPECT_TRUE(form->Watch()->StatusLine()->isVisibleTo(form.get()));
    EXPECT_EQ(form->height(), 307 + form->Watch()->StatusLine()->height());
    EXPECT_EQ(Status(*form), "Last scan 2021-Jun-23 14:00 UTC");
}

TEST_F(WatchingWindowTest, RefreshKeepsChartAndLedgerCurrentThroughAVanishedFolder)
{
    Deliver("1200");
    auto form = Open({"-refresh=5"});
    QTimer* beat = form->Watch()->Repeater()->RefreshTimer();
    ASSERT_NE(beat, nullptr);
    EXPECT_EQ(beat->interval(), 5 * 60000);
    EXPECT_TRUE(form->Watch()->StatusLine()->isVisibleTo(form.get()));
    EXPECT_EQ(Status(*form), "Last scan 2021-Jun-23 14:00 UTC, next at 14:05 UTC");
    EXPECT_EQ(SavedLedger(), "202106231200-crm.grb=600\r\n") << "every scan saves";

    // The beat, made fast: a new product is found and saved.
    beat->setInterval(1);
    Deliver("1315");
    EXPECT_TRUE(Eventually([this] { return SavedLedger().contains("1315-crm.grb=600"); }));

    // The folder goes away: said over the chart and in the status line.
    ASSERT_TRUE(QDir().rename(Data(), Dir.Path() + "away"));
    EXPECT_TRUE(Eventually([&form] { return form->Watch()->Note()->isVisibleTo(form.get()); }));
    const QString gone = "The data folder " + Data() + "/ does not exist.\nIt was given on the command line";
    EXPECT_TRUE(form->Watch()->Note()->text().startsWith(gone)) << form->Watch()->Note()->text().toStdString();
    EXPECT_TRUE(Status(*form).contains(" failed: the data folder " + Data() + "/ does not exist; next try at"))
        << Status(*form).toStdString();
    EXPECT_EQ(form->Hint().count("=> 10.0 minutes"), 2) << "the ledger's products stay on the chart";

    // It comes back: the next scan clears both.
    ASSERT_TRUE(QDir().rename(Dir.Path() + "away", Data()));
    EXPECT_TRUE(Eventually([&form] { return !form->Watch()->Note()->isVisibleTo(form.get()); }));
    EXPECT_TRUE(Eventually([&form] { return !Status(*form).contains("failed"); }));
}

TEST_F(WatchingWindowTest, ALedgerThatCannotBeSavedIsShownAndTriedAgain)
{
    auto form = Open({"-refresh=60"});
    // Another program holds the ledger's lock, and the save may not wait.
    const int fd = ::open(QFile::encodeName(Ledger()).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    Deliver("1200");
    form->Watch()->ScanAgain()->trigger();
    EXPECT_TRUE(Status(*form).contains(" failed: ")) << Status(*form).toStdString();
    EXPECT_TRUE(Status(*form).contains(Ledger())) << Status(*form).toStdString();
    EXPECT_EQ(SavedLedger(), "");

    ::close(fd);
    form->Watch()->ScanAgain()->trigger();
    EXPECT_FALSE(Status(*form).contains("failed")) << Status(*form).toStdString();
    EXPECT_EQ(SavedLedger(), "202106231200-crm.grb=600\r\n");
}

TEST_F(WatchingWindowTest, ScanAgainKeepsTheSelectedFamily)
{
    const QString families = Dir.Write("families.conf", "[seg]\npattern = seg_{time:%Y%m%d%H%M}.dat\n");
    Deliver("1200");
    Dir.Write("data/2021/06/23/seg_202106231300.dat", "SEG");
    auto form = Open({"-families=" + families});
    ASSERT_NE(form->FamilySelector(), nullptr);
    form->FamilySelector()->setCurrentIndex(1);
    EXPECT_TRUE(form->windowTitle().startsWith("Lagwatch seg - ")) << form->windowTitle().toStdString();
    EXPECT_EQ(form->Hint().count("2021-Jun-23"), 1) << form->Hint().toStdString();

    Dir.Write("data/2021/06/23/seg_202106231330.dat", "SEG");
    form->Watch()->ScanAgain()->trigger();
    EXPECT_EQ(form->FamilySelector()->currentIndex(), 1);
    EXPECT_TRUE(form->windowTitle().startsWith("Lagwatch seg - ")) << form->windowTitle().toStdString();
    EXPECT_EQ(form->Hint().count("2021-Jun-23"), 2) << form->Hint().toStdString();
}

}  // namespace
