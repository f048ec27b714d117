// The window over several product families: the row above the chart and
// what it selects (chart, caption, hint, history), one bar per slot.
#include "app/StationRun.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "desktop/FamilySelector.h"
#include "desktop/HistoryWindow.h"
#include "desktop/LagwatchPlotForm.h"
#include "desktop/WatchControls.h"
#include "station/StationPass.h"
#include "tests/common/WindowStation.h"

#include <QAction>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void Press(TFormLagwatchPlot& form, const QKeySequence& keys)
{
    for (QAction* action : form.actions())
        if (action->shortcut() == keys)
            action->trigger();
}

// A station of two families: the CRM products and segments, two files a slot.
TCommandLine TwoFamilyStation(TWindowStation& station)
{
    station.Deliver("202106230000-crm.grb", 10);
    // Three slots of segments, two files each but the last.
    for (const char* name : {"a_0000", "b_0000", "a_0015", "b_0015", "a_0030"})
        station.Deliver("IMG_" + QString::fromLatin1(name).replace('_', "_20210623") + ".seg", 5);
    TFamily seg;
    seg.Name = "seg";
    seg.Folder = DefaultFamilyFolder;
    seg.Pattern = "IMG_{channel}_{time:%Y%m%d%H%M}.seg";
    seg.FilesPerSlot = 2;
    TCommandLine line = TCommandLine::WithPositional({station.Data(), station.Ledger()});
    line.Families = {BuiltInCrmFamily(), seg};
    return line;
}

TEST(FamilyWindow, TheRowSelectsChartCaptionHintAndHistory)
{
    TWindowStation station;
    TCommandLine line = TwoFamilyStation(station);
    TStationRun run(line);
    TFormLagwatchPlot form(run);
    ASSERT_NE(form.FamilySelector(), nullptr);
    EXPECT_EQ(form.FamilySelector()->count(), 2);
    EXPECT_EQ(form.FamilySelector()->tabText(1), "seg");
    // The chart and the window make room for the row.
    EXPECT_GT(form.Chart()->y(), form.FamilySelector()->geometry().bottom());
    EXPECT_EQ(form.height(), 307 + form.Chart()->y() - 4);
    form.TimerOnStartTimer();

    EXPECT_TRUE(form.windowTitle().startsWith("Lagwatch crm - latest data was from "))
        << form.windowTitle().toStdString();
    EXPECT_EQ(form.Series1()->Count(), 1);
    form.PopupHistoryClick();
    ASSERT_NE(form.HistoryWindow(), nullptr);
    EXPECT_EQ(form.HistoryWindow()->Family(), "crm");

    Press(form, QKeySequence(Qt::CTRL | Qt::Key_2));
    EXPECT_EQ(form.SelectedFamily(), 1);
    EXPECT_TRUE(form.windowTitle().startsWith("Lagwatch seg - latest data was from "))
        << form.windowTitle().toStdString();
    EXPECT_EQ(form.Series1()->Count(), 3);  // one bar per slot
    EXPECT_EQ(form.Hint().count('\r'), 3);
    EXPECT_EQ(form.HistoryWindow()->Family(), "seg");
    EXPECT_EQ(form.HistoryWindow()->Completeness().FilesPerSlot, 2);

    Press(form, QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    EXPECT_EQ(form.SelectedFamily(), 0);
    EXPECT_EQ(form.Series1()->Count(), 1);
}

// The walk lets events through between folders: what reads the pass waits,
// and nothing of the pass a rescan replaced is read again.
TEST(FamilyWindow, WhatReadsThePassWaitsForTheScan)
{
    TWindowStation station;
    TStationRun run(TwoFamilyStation(station));
    TFormLagwatchPlot form(run);
    form.TimerOnStartTimer();
    form.PopupHistoryClick();
    ASSERT_NE(form.HistoryWindow(), nullptr);
    EXPECT_TRUE(form.PopupHistory()->isEnabled());

    bool seen = false;
    QTimer::singleShot(0, &form, [&] {
        seen = true;
        EXPECT_TRUE(run.Pass().Walking());
        EXPECT_FALSE(form.PopupHistory()->isEnabled());
        EXPECT_FALSE(form.FamilySelector()->isEnabled());
        Press(form, QKeySequence(Qt::CTRL | Qt::Key_2));
        EXPECT_EQ(form.SelectedFamily(), 0);
        form.PopupHistoryClick();
        EXPECT_EQ(form.HistoryWindow()->Family(), "crm");
    });
    form.Watch()->ScanAgain()->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(form.PopupHistory()->isEnabled());
    EXPECT_TRUE(form.FamilySelector()->isEnabled());
    // The new pass's readings: the old one is gone (the sanitizer build sees a stale read).
    Press(form, QKeySequence(Qt::CTRL | Qt::Key_2));
    EXPECT_EQ(form.Series1()->Count(), 3);
    EXPECT_EQ(form.HistoryWindow()->Completeness().FilesPerSlot, 2);
}

}  // namespace
