// The window over several product families: the row above the chart and
// what it selects (chart, caption, hint, history), one bar per slot.
#include "app/StationRun.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "desktop/FamilySelector.h"
#include "desktop/HistoryWindow.h"
#include "desktop/LagwatchPlotForm.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"

#include <QAction>
#include <QDateTime>
#include <gtest/gtest.h>

namespace {

void Press(TFormLagwatchPlot& form, const QKeySequence& keys)
{
    for (QAction* action : form.actions())
        if (action->shortcut() == keys)
            action->trigger();
}

TEST(FamilyWindow, TheRowSelectsChartCaptionHintAndHistory)
{
    TempDir dir;
    const TScopedEnvironment configHome("XDG_CONFIG_HOME", QFile::encodeName(dir.Path() + "config"));
    const QString today = QDateTime::currentDateTimeUtc().date().toString("yyyyMMdd");
    const QString day = "data/" + today.left(4) + "/" + today.mid(4, 2) + "/" + today.right(2) + "/";
    dir.Write(day + today + "0000-crm.grb", "GRIB");
    // Three slots of segments, two files each but the last.
    for (const char* name : {"a_0000", "b_0000", "a_0015", "b_0015", "a_0030"})
        dir.Write(day + "IMG_" + QString::fromLatin1(name).replace('_', '_' + today) + ".seg", "SEG");
    TFamily seg;
    seg.Name = "seg";
    seg.Folder = DefaultFamilyFolder;
    seg.Pattern = "IMG_{channel}_{time:%Y%m%d%H%M}.seg";
    seg.FilesPerSlot = 2;
    TCommandLine line = TCommandLine::WithPositional({dir.FilePath("data"), dir.Write("ledger.txt", "")});
    line.Families = {BuiltInCrmFamily(), seg};
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

}  // namespace
