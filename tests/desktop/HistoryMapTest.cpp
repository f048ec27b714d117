// The completeness map on a station built by hand: which colour each state
// gets and where, the legend's counts, the missing cross in grey-scale, the
// words for an unknown schedule; the window over it.
#include "desktop/HistoryMap.h"
#include "desktop/HistoryWindow.h"
#include "report/DelaySummary.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPixmap>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

const TDateTime Today = 45000;  // 2023-03-15
const QString Folder = QStringLiteral("/data/images/");

// Four slots a day (00:00, 06:00, 12:00, 18:00), every slot on time but a
// few placed at known days and slots; today's last slot is not due yet.
struct TPlacedCell
{
    int Row, Column;
    TSlotState State;
};
const TPlacedCell Placed[] = {
    {0, 3, TSlotState::NotDue}, {1, 2, TSlotState::Late},    {2, 1, TSlotState::VeryLate},
    {3, 0, TSlotState::Missing}, {4, 2, TSlotState::Missing},
};

TStationCompleteness Station()
{
    TStationCompleteness station;
    station.Schedule.SlotMinutes = {0, 360, 720, 1080};
    for (int row = 0; row < 30; ++row) {
        TDayCompleteness day;
        day.Day = Today - row;
        for (int slot : station.Schedule.SlotMinutes)
            day.Cells.push_back({slot, day.Day + slot / 1440.0, TSlotState::OnTime,
                                 QStringLiteral("cell%1-%2-crm.grb").arg(row).arg(slot), 600});
        station.Days.push_back(day);
    }
    for (const TPlacedCell& p : Placed)
        station.Days[size_t(p.Row)].Cells[size_t(p.Column)] = {0, 0, p.State, "", std::nullopt};
    return station;
}

QRgb Centre(const QImage& image, const TChartRect& r)
{
    return image.pixel((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2) | 0xFF000000;
}

QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

}  // namespace

TEST(HistoryMap, EachStateAtItsDayAndSlot)
{
    const TStationCompleteness station = Station();
    const QSize size = HistoryMapNaturalSize(station);
    const THistoryMapLayout layout = LayOutHistoryMap(station, Folder, size);
    const QImage image = RenderHistoryMap(station, Folder, size);
    ASSERT_EQ(image.size(), size);
    ASSERT_TRUE(layout.ScheduleKnown);
    ASSERT_EQ(layout.Rows, 30);
    ASSERT_EQ(layout.Columns, 4);
    struct
    {
        int Row, Column;
        QRgb Colour;
    } const cases[] = {
        {0, 0, Rgb(ColourInTime)},  {0, 3, qRgb(255, 255, 255)}, {1, 2, Rgb(ColourNearlyLate)},
        {2, 1, Rgb(ColourLate)},    {29, 3, Rgb(ColourInTime)},
    };
    for (const auto& c : cases) {
        const TChartRect r = layout.CellRect(c.Row, c.Column);
        EXPECT_EQ(Centre(image, r), c.Colour) << c.Row << "," << c.Column;
        const auto hit = layout.CellAt((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->Row, c.Row);
        EXPECT_EQ(hit->Column, c.Column);
    }
    // Rows are days newest first, columns the slots in time-of-day order.
    EXPECT_LT(layout.CellRect(0, 0).Top, layout.CellRect(1, 0).Top);
    EXPECT_LT(layout.CellRect(0, 0).Left, layout.CellRect(0, 1).Left);
    EXPECT_EQ(layout.DayLabels.front().Text, "2023-Mar-15");
    EXPECT_EQ(layout.DayLabels.back().Text, "2023-Feb-14");
    // The grid line between two cells belongs to no cell.
    EXPECT_FALSE(layout.CellAt(layout.CellRect(0, 1).Left - 1, layout.CellRect(0, 1).Top));
    std::vector<QString> hours;
    for (const THistoryLabel& mark : layout.HourMarks)
        hours.push_back(mark.Text);
    EXPECT_EQ(hours, (std::vector<QString>{"00", "06", "12", "18"}));
    EXPECT_EQ(layout.Title.Text, "Completeness of CRM data in  /data/images/");
    std::vector<QString> legend;
    for (const THistoryLegendItem& item : layout.Legend)
        legend.push_back(item.Label.Text);
    EXPECT_EQ(legend, (std::vector<QString>{"On time (115)", "Late (1)", "Very late (1)", "Missing (2)"}));
}

// Without colour the missing slots still stand out: a dark cross on a light
// cell, where no other state has dark pixels.
TEST(HistoryMap, MissingIsMarkedInGreyScale)
{
    const TStationCompleteness station = Station();
    const QSize size = HistoryMapNaturalSize(station);
    const THistoryMapLayout layout = LayOutHistoryMap(station, Folder, size);
    const QImage grey = RenderHistoryMap(station, Folder, size).convertToFormat(QImage::Format_Grayscale8);
    auto darkPixels = [&](const TChartRect& r) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += qGray(grey.pixel(x, y)) < 64;
        return n;
    };
    for (int row = 0; row < layout.Rows; ++row)
        for (int column = 0; column < layout.Columns; ++column) {
            const bool missing = station.Days[size_t(row)].Cells[size_t(column)].State == TSlotState::Missing;
            const TChartRect r = layout.CellRect(row, column);
            EXPECT_EQ(darkPixels(r) >= std::min(r.Width(), r.Height()), missing) << row << "," << column;
        }
    // The legend's swatch carries the same mark.
    EXPECT_GT(darkPixels(layout.Legend.back().Swatch), 0);
}

// A missing slot that holds some of its files: its own mark (one stroke, not
// a cross), a legend entry and the pointer's text.
TEST(HistoryMap, APartialSlotIsToldFromAnEmptyOne)
{
    TStationCompleteness station = Station();
    TSlotCell& partial = station.Days[3].Cells[0];
    partial = {0, Today - 3, TSlotState::Missing, "", std::nullopt, 87, 27};
    const QSize size = HistoryMapNaturalSize(station);
    const THistoryMapLayout layout = LayOutHistoryMap(station, Folder, size);
    const QImage grey = RenderHistoryMap(station, Folder, size).convertToFormat(QImage::Format_Grayscale8);
    auto darkPixels = [&](const TChartRect& r) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += qGray(grey.pixel(x, y)) < 64;
        return n;
    };
    EXPECT_GE(darkPixels(layout.CellRect(3, 0)), layout.CellRect(3, 0).Height() - 1);
    EXPECT_LT(darkPixels(layout.CellRect(3, 0)), darkPixels(layout.CellRect(4, 2)) * 3 / 4);
    ASSERT_EQ(layout.Legend.size(), 5u);
    EXPECT_EQ(layout.Legend[4].Label.Text, "of them partial (1)");
    EXPECT_LT(darkPixels(layout.Legend[4].Swatch), darkPixels(layout.Legend[3].Swatch));
    EXPECT_EQ(HistoryCellText(partial, 114),
              "87 of 114 files\nnominal time 2023-Mar-12 00:00 UTC\nincomplete, 27 files missing");
}

// A slot of a planned outage: a pale cell barred across its middle, so it
// reads without colour, a legend entry, and the window's reason on pointing.
TEST(HistoryMap, APlannedOutageHasItsMarkAndItsReason)
{
    TStationCompleteness station = Station();
    TOutageWindow eclipse;
    eclipse.Name = "eclipse";
    eclipse.Reason = "eclipse season";
    station.Outages.Windows.push_back(eclipse);
    TSlotCell& excused = station.Days[5].Cells[1];
    excused = {360, Today - 5 + 0.25, TSlotState::Excused, "", std::nullopt};
    excused.Outage = 0;
    const QSize size = HistoryMapNaturalSize(station);
    const THistoryMapLayout layout = LayOutHistoryMap(station, Folder, size);
    const QImage grey = RenderHistoryMap(station, Folder, size).convertToFormat(QImage::Format_Grayscale8);
    const TChartRect r = layout.CellRect(5, 1);
    EXPECT_LT(qGray(grey.pixel((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)), 100);
    EXPECT_GT(qGray(grey.pixel((r.Left + r.Right) / 2, r.Top + 1)), 200);
    EXPECT_EQ(layout.Legend.back().Label.Text, "Planned outage (1)");
    EXPECT_EQ(HistoryCellText(excused) + HistoryOutageText(excused, station),
              "no product\nnominal time 2023-Mar-10 06:00 UTC\nnot due: planned outage\nplanned outage eclipse: "
              "eclipse season");
    EXPECT_EQ(HistoryOutageText(station.Days[5].Cells[0], station), "");
}

TEST(HistoryMap, UnknownScheduleIsSaidInWords)
{
    TStationCompleteness station = Station();
    station.Schedule.SlotMinutes.clear();
    for (TDayCompleteness& day : station.Days)
        day.Cells.clear();
    const QSize size = HistoryMapNaturalSize(station);
    const THistoryMapLayout layout = LayOutHistoryMap(station, Folder, size);
    EXPECT_FALSE(layout.ScheduleKnown);
    EXPECT_EQ(layout.Message.Text, "schedule not known yet");
    EXPECT_FALSE(layout.CellAt(size.width() / 2, size.height() / 2));
    const QImage image = RenderHistoryMap(station, Folder, size);
    int text = 0, grid = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xFF000000;
            text += y >= layout.Message.Y && y < layout.Message.Y + 16 && p == qRgb(0, 0, 0);
            grid += p == Rgb(0xC0C0C0);
        }
    EXPECT_GT(text, 20);
    EXPECT_EQ(grid, 0);
}

TEST(HistoryMap, CellTexts)
{
    const TSlotCell cells[] = {
        {720, Today + 0.5, TSlotState::OnTime, "202303151200-crm.grb", 754},
        {720, Today + 0.5, TSlotState::Missing, "", std::nullopt},
    };
    EXPECT_EQ(HistoryCellText(cells[0]), "202303151200-crm.grb\nnominal time 2023-Mar-15 12:00 UTC\ndelay 12.6 minutes");
    EXPECT_EQ(HistoryCellText(cells[1]), "no product\nnominal time 2023-Mar-15 12:00 UTC\nmissing");
}

TEST(HistoryWindow, FollowsItsSizeTellsTheCellAndCopiesTheReport)
{
    THistoryWindow window(Station(), Folder, [] { return QStringLiteral("day,expected\r\n"); });
    window.show();
    const QPixmap shown = window.grab();
    EXPECT_EQ(window.Picture().devicePixelRatio(), window.devicePixelRatioF());
    EXPECT_EQ(window.Picture().deviceIndependentSize().toSize(), window.size());
    for (const QSize size : {QSize(500, 300), QSize(1200, 800)}) {
        window.resize(size);
        const THistoryMapLayout& layout = window.Layout();
        EXPECT_LE(layout.Grid.Right, size.width());
        EXPECT_LE(layout.Legend.back().Label.Y + 14, size.height());
        EXPECT_LE(layout.Legend.back().Swatch.Right + 80, size.width());
        EXPECT_GE(layout.Grid.Left, 0);
        const TChartRect r = layout.CellRect(2, 1);
        const QPoint centre((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        EXPECT_EQ(window.CellTextAt(centre), HistoryCellText(window.Completeness().Days[2].Cells[1]));
        QHelpEvent help(QEvent::ToolTip, centre, window.mapToGlobal(centre));
        QCoreApplication::sendEvent(&window, &help);
        EXPECT_EQ(QToolTip::text(), HistoryCellText(window.Completeness().Days[2].Cells[1]));
    }
    EXPECT_TRUE(window.CellTextAt(QPoint(1, 1)).isEmpty());
    window.CopyAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "day,expected\r\n");
}
