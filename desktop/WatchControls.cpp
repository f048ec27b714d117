#include "desktop/WatchControls.h"

#include "desktop/WatchStatus.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace {

const int StatusLineHeight = 18;

}  // namespace

TWatchControls::TWatchControls(QWidget* window, QMenu* menu, const QRect& chart, std::optional<int> refreshMinutes,
                               TScanRepeater::TScan scan)
    : QObject(window), FWindow(window)
{
    setObjectName(QStringLiteral("WatchControls"));
    FRepeater = new TScanRepeater(std::move(scan), refreshMinutes, this);
    connect(FRepeater, &TScanRepeater::Changed, this, [this] { ShowStatus(); });

    FScanAgain = menu->addAction(QStringLiteral("&Scan again"));
    FScanAgain->setObjectName(QStringLiteral("PopupScanAgain"));
    FScanAgain->setShortcut(QKeySequence(Qt::Key_F5));
    FScanAgain->setShortcutContext(Qt::WindowShortcut);
    // The shortcut only fires for an action the window itself holds.
    window->addAction(FScanAgain);
    connect(FScanAgain, &QAction::triggered, this, [this] {
        // From now on the window tells when it scanned, as with -refresh.
        if (FStatusLine->isHidden()) {
            FWindow->setFixedSize(FWindow->width(), FWindow->height() + StatusLineHeight);
            FStatusLine->show();
        }
        FRepeater->ScanNow();
    });

    FStatusLine = new QLabel(window);
    FStatusLine->setObjectName(QStringLiteral("StatusLine"));
    FStatusLine->setGeometry(chart.left(), chart.bottom() + 3, chart.width(), StatusLineHeight);
    FStatusLine->setTextFormat(Qt::PlainText);
    FStatusLine->hide();
    if (refreshMinutes) {
        window->setFixedSize(window->width(), window->height() + StatusLineHeight);
        FStatusLine->show();
    }

    // Over the middle of the chart, readable whatever bars lie below it.
    FNote = new QLabel(window);
    FNote->setObjectName(QStringLiteral("DataFolderNote"));
    FNote->setGeometry(
        chart.adjusted(chart.width() / 10, chart.height() / 4, -chart.width() / 10, -chart.height() / 4));
    FNote->setTextFormat(Qt::PlainText);
    FNote->setAlignment(Qt::AlignCenter);
    FNote->setWordWrap(true);
    FNote->setAutoFillBackground(true);
    FNote->setFrameShape(QFrame::Box);
    FNote->setBackgroundRole(QPalette::ToolTipBase);
    FNote->setForegroundRole(QPalette::ToolTipText);
    FNote->hide();
}

void TWatchControls::FirstScan() { FRepeater->ScanNow(); }

void TWatchControls::SetNote(const QString& note)
{
    FNote->setText(note);
    FNote->setVisible(!note.isEmpty());
    if (!note.isEmpty())
        FNote->raise();
}

void TWatchControls::ShowStatus()
{
    const QString line = WatchStatusLine(FRepeater->State());
    FStatusLine->setText(line);
    // A long reason is cut at the window's edge; the pointer shows it whole.
    FStatusLine->setToolTip(line);
}
