#pragma once
// The station's history as a picture: a completeness map of the last 30 UTC
// days (rows, today at the top) by the expected slots (columns, in time-of-day
// order), each cell coloured as the chart colours its bars, a missing slot
// crossed out (one that holds some of its files struck through once), a slot
// of a planned outage barred, a slot not yet due left blank. The layout is
// worked out apart from the painting, in logical pixels, so the window and
// the tests can ask where a cell is; the painting goes through the chart's
// canvas at any scale.
#include "chart/ChartTypes.h"
#include "report/Completeness.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class TCanvas3D;

// The size the map is drawn at unless a window says otherwise (the image of
// -history-png at scale 1): as wide as the chart, wider when the slots need
// it, and tall enough for 30 rows of 12 pixels.
QSize HistoryMapNaturalSize(const TStationCompleteness& completeness);

// The states a cell can show, in the legend's order.
constexpr std::array<TSlotState, 4> HistoryLegendStates{TSlotState::OnTime, TSlotState::Late, TSlotState::VeryLate,
                                                        TSlotState::Missing};

// Cells of each state over the days shown, indexed by TSlotState.
using THistoryCounts = std::array<int, 8>;
THistoryCounts CountCellStates(const TStationCompleteness& completeness);

// A missing slot that holds some of its files, but not all.
inline bool PartialSlot(const TSlotCell& cell) { return cell.State == TSlotState::Missing && cell.Files > 0; }
int CountPartialSlots(const TStationCompleteness& completeness);

// "On time", "Late", "Very late", "Missing", "Not due".
QString SlotStateName(TSlotState state);

// What the pointer over a cell tells: the product that completed the slot (or
// "no product" when none arrived, "87 of 114 files" for a slot that holds
// some), the nominal time, and the delay in minutes, or "missing" /
// "incomplete, 27 files missing" / "not due yet". filesPerSlot: the files a
// complete slot holds.
QString HistoryCellText(const TSlotCell& cell, int filesPerSlot = 1);
// For a slot inside a planned outage, a line more for that text: the
// window's name and reason; else empty.
QString HistoryOutageText(const TSlotCell& cell, const TStationCompleteness& completeness);

struct THistoryLabel
{
    int X = 0, Y = 0;  // the text's top-left corner
    QString Text;
};

struct THistoryLegendItem
{
    TSlotState State = TSlotState::OnTime;
    bool Partial = false;  // the missing slots that hold some of their files
    TChartRect Swatch;
    THistoryLabel Label;
};

struct THistoryMapLayout
{
    QSize Size;  // logical pixels
    THistoryLabel Title;
    bool ScheduleKnown = false;
    // The schedule not known: the words shown instead of the grid.
    THistoryLabel Message;
    int Rows = 0, Columns = 0;
    int CellWidth = 0, CellHeight = 0;
    // Grid lines between cells: 1 once cells are wide (or tall) enough, else 0.
    int GapX = 0, GapY = 0;
    TChartRect Grid;                       // every cell, the gaps included
    std::vector<THistoryLabel> DayLabels;  // one per row
    // Where an hour begins in the columns (the left edge of its first slot),
    // with "hh" when its label has room.
    std::vector<THistoryLabel> HourMarks;
    int HourTickTop = 0;
    std::vector<THistoryLegendItem> Legend;

    // The cell's rectangle (right and bottom exclusive); an empty rectangle
    // for a row or column outside the grid.
    TChartRect CellRect(int row, int column) const;
    // The row and column under a point, when it lies on a cell (not a gap).
    struct TCellIndex
    {
        int Row = 0, Column = 0;
    };
    std::optional<TCellIndex> CellAt(int x, int y) const;
};

// The layout of the map in a given logical size; cells shrink to one pixel
// when the size is too small, and the grid is clipped there. family: the
// product family the map is of (the title's), empty for the CRM products.
THistoryMapLayout LayOutHistoryMap(const TStationCompleteness& completeness, const QString& dataFolder, QSize size,
                                   const QString& family = {});

// The map's title: "Completeness of CRM data in  " and the folder, as the
// chart's title names it; another family is named as it is written.
QString HistoryMapTitle(const QString& dataFolder, const QString& family = {});

// Paints a layout on a canvas that is drawing (at whatever scale its image has).
void PaintHistoryMap(TCanvas3D& canvas, const THistoryMapLayout& layout, const TStationCompleteness& completeness);

// The map as an image of size x scale pixels, painted at that scale with the
// layout of the logical size (device pixel ratio 1 on the result, so writers
// and readers see plain pixels). scale: more than 0.
QImage RenderHistoryMap(const TStationCompleteness& completeness, const QString& dataFolder, QSize size,
                        double scale = 1.0, const QString& family = {});

// The map at its natural size times scale, written as a PNG whatever the
// name's extension, whole or not at all; false with the error when it cannot.
bool SaveHistoryImage(const TStationCompleteness& completeness, const QString& dataFolder, const QString& file,
                      int scale, QString& error);
