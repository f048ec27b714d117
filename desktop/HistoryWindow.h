#pragma once
// The second window: the station's completeness map over the last 30 days,
// drawn at the screen's own pixel density and laid out anew when resized.
// The pointer resting on a cell tells its product, nominal time and delay;
// Ctrl+C copies the 30-day report as CSV.
#include "desktop/HistoryMap.h"
#include "report/Completeness.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

class QAction;

class THistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // csvText: the 30-day report the copy puts on the clipboard.
    THistoryWindow(TStationCompleteness completeness, const QString& dataFolder, std::function<QString()> csvText,
                   QWidget* parent = nullptr);

    // The station shown; the map is laid out again and repainted.
    void SetCompleteness(TStationCompleteness completeness);
    const TStationCompleteness& Completeness() const { return FCompleteness; }
    // The product family shown, named in the map's title (empty: the CRM products).
    void SetFamily(const QString& family);
    const QString& Family() const { return FFamily; }
    // The layout for the window's present size.
    const THistoryMapLayout& Layout();
    // What resting the pointer at a point (logical, in the window) shows;
    // empty off the cells.
    QString CellTextAt(const QPoint& at);
    // The picture as last painted, at the window's device pixel ratio.
    const QImage& Picture() const { return FPicture; }
    QAction* CopyAction() const { return FCopy; }
    void CopyClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    TStationCompleteness FCompleteness;
    QString FDataFolder;
    QString FFamily;
    std::function<QString()> FCsvText;
    THistoryMapLayout FLayout;
    bool FLayoutValid = false;
    QImage FPicture;
    bool FPictureValid = false;
    QAction* FCopy = nullptr;
};
