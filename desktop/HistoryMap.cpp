#include "desktop/HistoryMap.h"

#include "chart/Canvas3D.h"
#include "platform/DateFormat.h"
#include "platform/ImageFile.h"
#include "platform/NumberFormat.h"
#include "report/DelaySummary.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int Margin = 8;
constexpr int LabelGap = 6;      // between a day label and the grid
constexpr int TickLength = 4;    // the hour ticks above the grid
constexpr int HourLabelGap = 4;  // the least room between two hour labels
constexpr int LegendSpacing = 16;
constexpr int NaturalCellHeight = 12;
constexpr int NaturalWidth = 728;
constexpr int LeastNaturalCellWidth = 3;
constexpr int HistoryDays = 30;

constexpr TColor ColourGridLines = 0xC0C0C0;
constexpr TColor ColourNotDue = clWhite;
constexpr TColor ColourMissingMark = 0x202020;
// A partial slot in a cell too small for its stroke: lighter than an empty one.
constexpr TColor ColourPartialMark = 0x808080;
// A product whose ledger value is no delay: there, but neither on time nor late.
constexpr TColor ColourUnmeasured = 0xB4B4B4;
// A slot of a planned outage: pale blue, with a level bar across it.
constexpr TColor ColourExcused = 0xF0E4D8;
constexpr TColor ColourExcusedMark = 0x805030;

const QString DayPattern = QStringLiteral("yyyy-mmm-dd");

void UseLabelFont(TCanvas3D& canvas, TColor colour = clBlack)
{
    canvas.Font()->SetName(QStringLiteral("Arial"));
    canvas.Font()->SetSize(8);
    canvas.Font()->SetBold(false);
    canvas.Font()->SetColor(colour);
}

QString LegendText(TSlotState state, int count)
{
    return QStringLiteral("%1 (%2)").arg(SlotStateName(state)).arg(count);
}

QString PartialLegendText(int count) { return QStringLiteral("of them partial (%1)").arg(count); }

TColor FillOf(TSlotState state)
{
    switch (state) {
    case TSlotState::OnTime:
        return ColourInTime;
    case TSlotState::Late:
        return ColourNearlyLate;
    case TSlotState::VeryLate:
        return ColourLate;
    case TSlotState::Unmeasured:
        return ColourUnmeasured;
    case TSlotState::Excused:
        return ColourExcused;
    default:
        return ColourNotDue;
    }
}

// One cell (or legend swatch): its colour, and for a missing slot a cross
// from corner to corner, or a dark fill where a cross has no room, so the
// state reads without colour. A partial slot (some of its files there) has
// the rising stroke of the cross only, or a grey fill.
void PaintCell(TCanvas3D& canvas, const TChartRect& r, TSlotState state, bool partial = false)
{
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    canvas.Pen()->SetStyle(TPenStyle::Clear);
    canvas.Brush()->SetStyle(TBrushStyle::Solid);
    const bool roomForCross = r.Width() >= 3 && r.Height() >= 3;
    const TColor mark = partial ? ColourPartialMark : ColourMissingMark;
    canvas.Brush()->SetColor(state == TSlotState::Missing && !roomForCross ? mark : FillOf(state));
    canvas.FillRect(r.Left, r.Top, r.Right, r.Bottom);
    if (state == TSlotState::Excused && roomForCross) {
        // A level bar, so an excused slot reads apart from a missing one without colour.
        const int middle = r.Top + r.Height() / 2;
        canvas.Brush()->SetColor(ColourExcusedMark);
        canvas.FillRect(r.Left + 1, middle - (r.Height() >= 8 ? 1 : 0), r.Right - 1, middle + 1);
        return;
    }
    if (state != TSlotState::Missing || !roomForCross)
        return;
    canvas.Pen()->SetStyle(TPenStyle::Solid);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetColor(ColourMissingMark);
    // An upright cross in a square in the middle of the cell, so a wide cell
    // shows an X and not two flat lines. Lines leave out their end point: run
    // each one pixel past the corner.
    const int side = std::min(r.Width(), r.Height());
    const int left = r.Left + (r.Width() - side) / 2, top = r.Top + (r.Height() - side) / 2;
    if (!partial)
        canvas.Line(left, top, left + side, top + side);
    canvas.Line(left, top + side - 1, left + side, top - 1);
}

}  // namespace

QSize HistoryMapNaturalSize(const TStationCompleteness& completeness)
{
    const THistoryMapLayout probe = LayOutHistoryMap(completeness, QString(), QSize(NaturalWidth, 0));
    const int columns = std::max(1, probe.Columns);
    const int width = std::max(NaturalWidth, probe.Grid.Left + columns * LeastNaturalCellWidth + 1 + Margin);
    // The probe placed the grid's top; below it the rows and the legend.
    TCanvas3D canvas;
    UseLabelFont(canvas);
    const int textHeight = canvas.TextHeight(QStringLiteral("W"));
    const int rows = std::max<int>(HistoryDays, int(completeness.Days.size()));
    return {width, probe.Grid.Top + rows * NaturalCellHeight + 1 + LabelGap + textHeight + Margin};
}

THistoryCounts CountCellStates(const TStationCompleteness& completeness)
{
    THistoryCounts counts{};
    for (const TDayCompleteness& day : completeness.Days)
        for (const TSlotCell& cell : day.Cells)
            if (size_t(cell.State) < counts.size())
                ++counts[size_t(cell.State)];
    return counts;
}

int CountPartialSlots(const TStationCompleteness& completeness)
{
    int partial = 0;
    for (const TDayCompleteness& day : completeness.Days)
        for (const TSlotCell& cell : day.Cells)
            partial += PartialSlot(cell);
    return partial;
}

QString SlotStateName(TSlotState state)
{
    switch (state) {
    case TSlotState::OnTime:
        return QStringLiteral("On time");
    case TSlotState::Late:
        return QStringLiteral("Late");
    case TSlotState::VeryLate:
        return QStringLiteral("Very late");
    case TSlotState::Missing:
        return QStringLiteral("Missing");
    case TSlotState::Unmeasured:
        return QStringLiteral("Not measured");
    case TSlotState::Excused:
        return QStringLiteral("Planned outage");
    case TSlotState::NotDue:
        break;
    }
    return QStringLiteral("Not due");
}

QString HistoryCellText(const TSlotCell& cell, int filesPerSlot)
{
    const QString nominal = FormatDateTime(DayPattern + QStringLiteral(" hh:nn \"UTC\""), cell.Nominal);
    const int wanted = std::max({1, filesPerSlot, cell.Files + cell.MissingFiles});
    // A slot of several files that holds some, but not all, of them.
    const bool someFiles = cell.Product.isEmpty() && cell.Files > 0 && cell.Files < wanted;
    QString outcome;
    if (PartialSlot(cell))
        outcome = QStringLiteral("incomplete, %1 files missing").arg(wanted - cell.Files);
    else if (cell.State == TSlotState::Missing)
        outcome = QStringLiteral("missing");
    else if (cell.State == TSlotState::NotDue)
        outcome = QStringLiteral("not due yet");
    else if (cell.State == TSlotState::Excused)
        outcome = QStringLiteral("not due: planned outage");
    else if (cell.DelaySeconds)
        outcome = QStringLiteral("delay %1 minutes").arg(FormatFixed(*cell.DelaySeconds / 60.0, 1));
    else
        outcome = QStringLiteral("delay unknown");
    QString product = cell.Product;
    if (someFiles)
        product = QStringLiteral("%1 of %2 files").arg(cell.Files).arg(wanted);
    else if (product.isEmpty())
        product = QStringLiteral("no product");
    return product + QLatin1Char('\n') + QStringLiteral("nominal time ") + nominal + QLatin1Char('\n') + outcome;
}

QString HistoryOutageText(const TSlotCell& cell, const TStationCompleteness& completeness)
{
    if (cell.Outage < 0 || size_t(cell.Outage) >= completeness.Outages.Windows.size())
        return {};
    const TOutageWindow& window = completeness.Outages.Windows[size_t(cell.Outage)];
    return QStringLiteral("\nplanned outage %1").arg(window.Name) +
           (window.Reason.isEmpty() ? QString() : QStringLiteral(": ") + window.Reason);
}

QString HistoryMapTitle(const QString& dataFolder, const QString& family)
{
    return QStringLiteral("Completeness of %1 data in  ").arg(FamilyDataName(family)) + dataFolder;
}

TChartRect THistoryMapLayout::CellRect(int row, int column) const
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return {};
    return {Grid.Left + GapX + column * CellWidth, Grid.Top + GapY + row * CellHeight,
            Grid.Left + (column + 1) * CellWidth, Grid.Top + (row + 1) * CellHeight};
}

std::optional<THistoryMapLayout::TCellIndex> THistoryMapLayout::CellAt(int x, int y) const
{
    if (!ScheduleKnown || CellWidth <= 0 || CellHeight <= 0 || x < Grid.Left || y < Grid.Top)
        return std::nullopt;
    const TCellIndex index{(y - Grid.Top) / CellHeight, (x - Grid.Left) / CellWidth};
    const TChartRect r = CellRect(index.Row, index.Column);
    if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom)
        return std::nullopt;
    return index;
}

THistoryMapLayout LayOutHistoryMap(const TStationCompleteness& completeness, const QString& dataFolder, QSize size,
                                   const QString& family)
{
    THistoryMapLayout layout;
    layout.Size = size;
    TCanvas3D canvas;  // measures text only
    UseLabelFont(canvas);
    const int textHeight = canvas.TextHeight(QStringLiteral("W"));
    const int width = size.width(), height = size.height();

    layout.Title.Text = HistoryMapTitle(dataFolder, family);
    layout.Title.X = (width - canvas.TextWidth(layout.Title.Text)) / 2;
    layout.Title.Y = Margin;
    const int hourLabelTop = layout.Title.Y + textHeight + 5;
    layout.HourTickTop = hourLabelTop + textHeight;

    layout.ScheduleKnown = completeness.Schedule.Known();
    layout.Rows = int(completeness.Days.size());
    layout.Columns = layout.ScheduleKnown ? int(completeness.Schedule.SlotMinutes.size()) : 0;

    int labelWidth = 0;
    for (const TDayCompleteness& day : completeness.Days)
        labelWidth = std::max(labelWidth, canvas.TextWidth(FormatDateTime(DayPattern, day.Day)));
    layout.Grid.Left = Margin + labelWidth + LabelGap;
    layout.Grid.Top = layout.HourTickTop + TickLength;

    // The legend along the bottom, from the grid's left edge.
    const THistoryCounts counts = CountCellStates(completeness);
    const int legendTop = height - Margin - textHeight;
    int x = layout.Grid.Left;
    const int swatch = std::max(1, textHeight - 2);
    std::vector<TSlotState> legendStates(HistoryLegendStates.begin(), HistoryLegendStates.end());
    // Rare enough to be named only when the map shows it.
    if (counts[size_t(TSlotState::Unmeasured)] > 0)
        legendStates.push_back(TSlotState::Unmeasured);
    if (counts[size_t(TSlotState::Excused)] > 0)
        legendStates.push_back(TSlotState::Excused);
    for (TSlotState state : legendStates) {
        THistoryLegendItem item;
        item.State = state;
        item.Swatch = {x, legendTop + (textHeight - swatch) / 2, x + swatch,
                       legendTop + (textHeight - swatch) / 2 + swatch};
        item.Label = {x + swatch + 4, legendTop, LegendText(state, counts[size_t(state)])};
        x = item.Label.X + canvas.TextWidth(item.Label.Text) + LegendSpacing;
        layout.Legend.push_back(item);
        // Named only when the map shows one, right after the missing ones it is among.
        const int partial = state == TSlotState::Missing ? CountPartialSlots(completeness) : 0;
        if (partial > 0) {
            item.Partial = true;
            item.Swatch.Left = x;
            item.Swatch.Right = x + swatch;
            item.Label = {x + swatch + 4, legendTop, PartialLegendText(partial)};
            x = item.Label.X + canvas.TextWidth(item.Label.Text) + LegendSpacing;
            layout.Legend.push_back(item);
        }
    }

    if (!layout.ScheduleKnown || layout.Rows == 0) {
        layout.ScheduleKnown = false;
        layout.Message.Text = QStringLiteral("schedule not known yet");
        layout.Message.X = (width - canvas.TextWidth(layout.Message.Text)) / 2;
        layout.Message.Y = layout.Grid.Top + std::max(0, (legendTop - layout.Grid.Top - textHeight) / 2);
        layout.Grid.Right = layout.Grid.Left;
        layout.Grid.Bottom = layout.Grid.Top;
        return layout;
    }

    // Whole pixels per cell, so every cell is as wide as every other.
    const int roomX = width - Margin - layout.Grid.Left - 1;
    const int roomY = legendTop - LabelGap - layout.Grid.Top - 1;
    layout.CellWidth = std::max(1, roomX / layout.Columns);
    layout.CellHeight = std::max(1, roomY / layout.Rows);
    layout.GapX = layout.CellWidth >= 4 ? 1 : 0;
    layout.GapY = layout.CellHeight >= 4 ? 1 : 0;
    layout.Grid.Right = layout.Grid.Left + layout.Columns * layout.CellWidth + layout.GapX;
    layout.Grid.Bottom = layout.Grid.Top + layout.Rows * layout.CellHeight + layout.GapY;

    for (int row = 0; row < layout.Rows; ++row) {
        const QString text = FormatDateTime(DayPattern, completeness.Days[size_t(row)].Day);
        const TChartRect cell = layout.CellRect(row, 0);
        layout.DayLabels.push_back(
            {layout.Grid.Left - LabelGap - canvas.TextWidth(text), cell.Top + (cell.Height() - textHeight) / 2, text});
    }

    // An hour's mark stands at its first slot; its label only where it
    // neither runs into the previous one nor off the picture.
    int labelEnd = -1;
    const std::vector<int>& slotMinutes = completeness.Schedule.SlotMinutes;
    for (int column = 0; column < layout.Columns; ++column) {
        const int hour = slotMinutes[size_t(column)] / 60;
        if (column > 0 && slotMinutes[size_t(column - 1)] / 60 == hour)
            continue;
        THistoryLabel mark{layout.Grid.Left + column * layout.CellWidth, hourLabelTop, FormatPadded(hour, 2)};
        const int markWidth = canvas.TextWidth(mark.Text);
        if (mark.X < labelEnd + HourLabelGap || mark.X + markWidth > width - Margin / 2)
            mark.Text.clear();
        else
            labelEnd = mark.X + markWidth;
        layout.HourMarks.push_back(mark);
    }
    return layout;
}

void PaintHistoryMap(TCanvas3D& canvas, const THistoryMapLayout& layout, const TStationCompleteness& completeness)
{
    canvas.ResetState();
    canvas.Pen()->SetStyle(TPenStyle::Clear);
    canvas.Brush()->SetColor(clBtnFace);
    canvas.FillRect(0, 0, layout.Size.width(), layout.Size.height());
    canvas.SetBackTransparent(true);
    canvas.SetTextAlign(THorzTextAlign::Left, TVertTextAlign::Top);

    UseLabelFont(canvas, clBlue);
    canvas.TextOut(layout.Title.X, layout.Title.Y, layout.Title.Text);
    UseLabelFont(canvas);

    if (!layout.ScheduleKnown) {
        canvas.TextOut(layout.Message.X, layout.Message.Y, layout.Message.Text);
    } else {
        // The gaps between the cells are the grid's lines.
        canvas.Brush()->SetStyle(TBrushStyle::Solid);
        canvas.Brush()->SetColor(layout.GapX || layout.GapY ? ColourGridLines : ColourNotDue);
        canvas.FillRect(layout.Grid.Left, layout.Grid.Top, layout.Grid.Right, layout.Grid.Bottom);
        for (int row = 0; row < layout.Rows; ++row) {
            const std::vector<TSlotCell>& cells = completeness.Days[size_t(row)].Cells;
            for (int column = 0; column < layout.Columns; ++column) {
                if (size_t(column) < cells.size())
                    PaintCell(canvas, layout.CellRect(row, column), cells[size_t(column)].State,
                              PartialSlot(cells[size_t(column)]));
                else
                    PaintCell(canvas, layout.CellRect(row, column), TSlotState::NotDue);
            }
        }
        for (const THistoryLabel& label : layout.DayLabels)
            canvas.TextOut(label.X, label.Y, label.Text);
        canvas.Pen()->SetStyle(TPenStyle::Solid);
        canvas.Pen()->SetWidth(1);
        canvas.Pen()->SetColor(clBlack);
        for (const THistoryLabel& mark : layout.HourMarks) {
            canvas.Line(mark.X, layout.HourTickTop, mark.X, layout.Grid.Top);
            canvas.TextOut(mark.X, mark.Y, mark.Text);
        }
    }

    for (const THistoryLegendItem& item : layout.Legend) {
        PaintCell(canvas, item.Swatch, item.State, item.Partial);
        canvas.Pen()->SetStyle(TPenStyle::Solid);
        canvas.Pen()->SetWidth(1);
        canvas.Pen()->SetColor(clGray);
        canvas.Brush()->SetStyle(TBrushStyle::Clear);
        canvas.Rectangle(item.Swatch.Left - 1, item.Swatch.Top - 1, item.Swatch.Right + 1, item.Swatch.Bottom + 1);
        canvas.TextOut(item.Label.X, item.Label.Y, item.Label.Text);
    }
}

QImage RenderHistoryMap(const TStationCompleteness& completeness, const QString& dataFolder, QSize size, double scale,
                        const QString& family)
{
    if (size.isEmpty() || !(scale > 0) || !std::isfinite(scale))
        return {};
    QImage image(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale)), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    // Painted in logical pixels: the painter scales every line and glyph, so
    // text is rasterised at the image's own resolution.
    image.setDevicePixelRatio(scale);
    TCanvas3D canvas;
    canvas.Begin(&image);
    PaintHistoryMap(canvas, LayOutHistoryMap(completeness, dataFolder, size, family), completeness);
    canvas.End();
    image.setDevicePixelRatio(1.0);
    return image;
}

bool SaveHistoryImage(const TStationCompleteness& completeness, const QString& dataFolder, const QString& file,
                      int scale, QString& error)
{
    return SavePngFile(RenderHistoryMap(completeness, dataFolder, HistoryMapNaturalSize(completeness), scale), file,
                       error);
}
