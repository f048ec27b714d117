#include "report/DelaySummary.h"
#include "desktop/HistoryWindow.h"
#include "desktop/LagwatchPlotForm.h"
#include "station/StationPass.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "platform/Clock.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/LocaleText.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

int CountColour(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                ++n;
    return n;
}

const QRgb ReferenceLine = qRgb(128, 0, 32);

// The day after the June products below, so that none is named in the future.
void ClockOnJune24()
{
    TDateTime june24 = 0;
    TryEncodeDate(2021, 6, 24, june24);
    SetClockForTesting([june24] { return june24; });
}

class SummaryWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TDateTime jan5 = 0;
        TryEncodeDate(2021, 1, 5, jan5);
        SetClockForTesting([jan5] { return jan5 + 0.25; });
    }
    void TearDown() override { SetClockForTesting({}); }

    std::unique_ptr<TFormLagwatchPlot> RunWith(const QByteArray& ledger)
    {
        FRun = std::make_unique<TStationRun>(
            TCommandLine::WithPositional({FDir.MakeDir("data"), FDir.Write("ledger.txt", ledger)}));
        auto form = std::make_unique<TFormLagwatchPlot>(*FRun);
        EXPECT_EQ(form->windowTitle(), "Lagwatch for " + FDir.Path() + "data/");
        EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
        EXPECT_FALSE(form->Chart()->isVisibleTo(form.get()));
        form->TimerOnStartTimer();
        EXPECT_TRUE(form->Chart()->isVisibleTo(form.get()));
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
        EXPECT_TRUE(QRegularExpression(GermanLocale() ? "^\\d+,\\d{3} milliseconds$" : "^\\d+\\.\\d{3} milliseconds$")
                        .match(form->LabelOnOpen()->toolTip())
                        .hasMatch());
        return form;
    }

    TempDir FDir;
    std::unique_ptr<TStationRun> FRun;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
};

TEST_F(SummaryWindowTest, EmptyLedgerShowsTodayAndNoData)
{
    auto form = RunWith("");
    EXPECT_EQ(form->windowTitle(), InLocale("Lagwatch - today is 2021-Jan-05, day 005"));
    EXPECT_EQ(form->Hint(), "No Lagwatch data found");
    EXPECT_EQ(form->Chart()->LeftAxis()->Maximum(), 47);
    EXPECT_EQ(form->Series1()->Count(), 0);
    EXPECT_EQ(CountColour(form->Chart()->RenderToImage(), ReferenceLine), 0);
    form->PopupCopyClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "No Lagwatch data found\n\r\n\r");
}

TEST_F(SummaryWindowTest, TwoDaysGetBarsCaptionHintAndTheReferenceLine)
{
    ClockOnJune24();
    auto form = RunWith("202106221200-crm.grb=3600\r\n202106231200-crm.grb=413\r\n202106231315-crm.grb=90000\r\n");
    EXPECT_EQ(form->windowTitle(), InLocale("Lagwatch - latest data was from 2021-Jun-23, day 174"));
    EXPECT_EQ(form->Hint(), InLocale("Lagwatch:\r  2021-Jun-23  => 6.9 minutes\r  2021-Jun-22  => 60.0 minutes"));
    EXPECT_EQ(form->toolTip(), InLocale("Lagwatch:\n  2021-Jun-23  => 6.9 minutes\n  2021-Jun-22  => 60.0 minutes"));
    EXPECT_EQ(form->Series1()->Count(), 3);
    EXPECT_EQ(form->Chart()->LeftAxis()->Maximum(), 62);
    EXPECT_FALSE(form->Chart()->LeftAxis()->AutomaticMaximum());
    EXPECT_EQ(form->Chart()->BottomAxis()->Increment(), 3);
    EXPECT_EQ(form->Chart()->Title()->Text(), QStringList({"Delay of CRM data in  " + FDir.Path() + "data/"}));

    const QImage image = form->Chart()->RenderToImage();
    EXPECT_GT(CountColour(image, ReferenceLine), 50);
    EXPECT_GT(CountColour(image, qRgb(255, 80, 80)), 0);  // the hour-late bar
    EXPECT_GT(CountColour(image, qRgb(70, 200, 70)), 0);  // the 6.9-minute bar
    // The dashed line runs from the first day - 0.7 to the last day + 0.7 at 45 minutes.
    TChartAxis* bottom = form->Chart()->BottomAxis();
    const int y = form->Chart()->LeftAxis()->ValueToPixel(45);
    const int x1 = bottom->ValueToPixel(form->FirstDate() - 0.7), x2 = bottom->ValueToPixel(form->LastDate() + 0.7);
    int onLine = 0;
    for (int x = x1; x < x2; ++x)
        onLine += image.pixel(x, y) == ReferenceLine;
    EXPECT_GT(onLine, (x2 - x1) / 3);
    EXPECT_LT(onLine, x2 - x1);  // dashed, not solid
}

TEST_F(SummaryWindowTest, OneDayDrawsNoReferenceLine)
{
    ClockOnJune24();
    auto form = RunWith("202106231200-crm.grb=3000\r\n202106231315-crm.grb=60\r\n");
    EXPECT_EQ(CountColour(form->Chart()->RenderToImage(), ReferenceLine), 0);
}

// The pop-up menu's "Show history", also a shortcut of the window, opens
// the map of the pass's own ledger once the pass has run.
TEST_F(SummaryWindowTest, ShowHistoryOpensTheMapOfThePass)
{
    auto form = RunWith("202012311200-crm.grb=600\r\n202101011200-crm.grb=3000\r\n202101031200-crm.grb=60\r\n"
                        "202101041200-crm.grb=2400\r\n");
    QAction* action = form->PopupHistory();
    ASSERT_TRUE(action);
    EXPECT_TRUE(action->isEnabled());
    EXPECT_TRUE(form->actions().contains(action));
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    action->trigger();
    THistoryWindow* window = form->HistoryWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    const TStationCompleteness& station = window->Completeness();
    ASSERT_EQ(station.Days.size(), 30u);
    EXPECT_EQ(station.Schedule.SlotMinutes, std::vector<int>{720});
    // Today (05 Jan, 06:00) is not due yet; 04 Jan nearly late, 02 Jan missing.
    const TSlotState expected[] = {TSlotState::NotDue, TSlotState::Late, TSlotState::OnTime, TSlotState::Missing,
                                   TSlotState::VeryLate};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(station.Days[size_t(row)].Cells.at(0).State, expected[row]) << row;
    const TChartRect cell = window->Layout().CellRect(1, 0);
    EXPECT_TRUE(window->CellTextAt(QPoint(cell.Left + 1, cell.Top + 1)).startsWith("202101041200-crm.grb\n"));
    action->trigger();
    EXPECT_EQ(form->HistoryWindow(), window);  // one window, brought up to date
}

}  // namespace
