#include "desktop/HistoryWindow.h"

#include "chart/Canvas3D.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolTip>

#include <cmath>

THistoryWindow::THistoryWindow(TStationCompleteness completeness, const QString& dataFolder,
                               std::function<QString()> csvText, QWidget* parent)
    : QWidget(parent, Qt::Window), FCompleteness(std::move(completeness)), FDataFolder(dataFolder),
      FCsvText(std::move(csvText))
{
    setObjectName(QStringLiteral("FormHistory"));
    setWindowTitle(QStringLiteral("Lagwatch history for ") + dataFolder);
    // The map covers every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The cells' hints are what the window is for: shown while another window
    // (the chart's) has the focus too.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    const QSize natural = HistoryMapNaturalSize(FCompleteness);
    resize(natural);
    setMinimumSize(480, 300);

    FCopy = new QAction(QStringLiteral("&Copy report as CSV"), this);
    FCopy->setObjectName(QStringLiteral("HistoryCopy"));
    FCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    FCopy->setShortcutContext(Qt::WindowShortcut);
    addAction(FCopy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(FCopy, &QAction::triggered, this, [this] { CopyClick(); });
}

void THistoryWindow::SetCompleteness(TStationCompleteness completeness)
{
    FCompleteness = std::move(completeness);
    FLayoutValid = false;
    FPictureValid = false;
    update();
}

void THistoryWindow::SetFamily(const QString& family)
{
    if (family == FFamily)
        return;
    FFamily = family;
    FLayoutValid = false;
    FPictureValid = false;
    update();
}

const THistoryMapLayout& THistoryWindow::Layout()
{
    if (!FLayoutValid || FLayout.Size != size()) {
        FLayout = LayOutHistoryMap(FCompleteness, FDataFolder, size(), FFamily);
        FLayoutValid = true;
    }
    return FLayout;
}

QString THistoryWindow::CellTextAt(const QPoint& at)
{
    const auto index = Layout().CellAt(at.x(), at.y());
    if (!index)
        return {};
    const std::vector<TSlotCell>& cells = FCompleteness.Days[size_t(index->Row)].Cells;
    if (size_t(index->Column) >= cells.size())
        return {};
    const TSlotCell& cell = cells[size_t(index->Column)];
    return HistoryCellText(cell, FCompleteness.FilesPerSlot) + HistoryOutageText(cell, FCompleteness);
}

void THistoryWindow::CopyClick()
{
    if (FCsvText)
        QGuiApplication::clipboard()->setText(FCsvText());
}

void THistoryWindow::paintEvent(QPaintEvent*)
{
    const double ratio = devicePixelRatioF();
    if (!FPictureValid || FPicture.devicePixelRatio() != ratio ||
        FPicture.size() != QSize(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)))) {
        FPicture = RenderHistoryMap(FCompleteness, FDataFolder, size(), ratio, FFamily);
        // Drawn back at the screen's density: one image pixel per device pixel.
        FPicture.setDevicePixelRatio(ratio);
        FPictureValid = true;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, FPicture);
}

void THistoryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FPictureValid = false;
    update();
}

bool THistoryWindow::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = CellTextAt(help->pos());
        const auto index = Layout().CellAt(help->pos().x(), help->pos().y());
        if (text.isEmpty() || !index) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        // The tip goes when the pointer leaves the cell, so the next cell's shows.
        const TChartRect r = FLayout.CellRect(index->Row, index->Column);
        QToolTip::showText(help->globalPos(), text, this, QRect(r.Left, r.Top, r.Width(), r.Height()));
        return true;
    }
    return QWidget::event(event);
}
