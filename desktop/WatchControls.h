#pragma once
// The controls of a window that keeps watching: "Scan again" (F5) in its
// pop-up menu, the status line below the chart (with -refresh, or once the
// user has scanned again), and the note over the chart that says why the
// data folder cannot be walked. The scans themselves are the window's; a
// TScanRepeater runs them, one at a time.
#include "desktop/ScanRepeater.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <optional>

class QAction;
class QLabel;
class QMenu;
class QWidget;

class TWatchControls : public QObject
{
    Q_OBJECT

public:
    // window: the fixed-size main window, which grows by the status line;
    // chart: the chart's place in it, which the note covers.
    TWatchControls(QWidget* window, QMenu* menu, const QRect& chart, std::optional<int> refreshMinutes,
                   TScanRepeater::TScan scan);

    TScanRepeater* Repeater() const { return FRepeater; }
    QAction* ScanAgain() const { return FScanAgain; }
    QLabel* StatusLine() const { return FStatusLine; }
    QLabel* Note() const { return FNote; }

    // The window's first scan: the later ones come from the menu and the period.
    void FirstScan();
    // The note over the chart; empty hides it.
    void SetNote(const QString& note);

private:
    void ShowStatus();

    QWidget* FWindow;
    TScanRepeater* FRepeater = nullptr;
    QAction* FScanAgain = nullptr;
    QLabel* FStatusLine = nullptr;
    QLabel* FNote = nullptr;
};
