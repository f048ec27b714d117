#pragma once
// The main window of the delay checker: a view of a station run
// (StationRun.h), whose scan it starts 100 ms after it is created and whose
// summary it shows.
#include "app/CommandLine.h"
#include "app/StationRun.h"
#include "platform/DateTime.h"
#include "report/FamilyReading.h"
#include "platform/SortedStringList.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;
class TTreeScanner;
class TChart;
class TBarSeries;
class TDelayChart;
class TStationPass;
class TStationRun;
class THistoryWindow;
class TWatchControls;
class TFamilySelector;

class TFormLagwatchPlot : public QWidget
{
    Q_OBJECT

public:
    // The run's command line was parsed from a copy of the arguments taken
    // before the application object could remove its own options. The run
    // must outlive the window.
    explicit TFormLagwatchPlot(TStationRun& run, QWidget* parent = nullptr);
    ~TFormLagwatchPlot() override;

    // Saves the ledger through the pass (once); false when the save failed.
    bool FormDestroy();

    const QString& DataFolder() const;
    const QString& ReceivedFileName() const;
    bool CloseAfterScan() const { return FCloseAfterScan; }
    const TSortedStringList& ReceivedList() const;
    QString Hint() const { return FHint; }
    QLabel* LabelOnOpen() const { return FLabelOnOpen; }
    TChart* Chart() const { return FChart; }
    TBarSeries* Series1() const;
    TDateTime FirstDate() const;
    TDateTime LastDate() const;
    // The pop-up menu's "Show history", and the window it opens (null before).
    QAction* PopupHistory() const { return FPopupHistory; }
    // With several product families, the row that selects the one shown (null with one).
    TFamilySelector* FamilySelector() const { return FFamilySelector; }
    // The family shown: its chart, caption, hint and history.
    int SelectedFamily() const;
    void ShowFamily(int index);
    THistoryWindow* HistoryWindow() const { return FHistoryWindow; }
    void PopupHistoryClick();

    // A stop signal: ends the walk at the next folder, or the idle window,
    // so that the ledger is saved with everything recorded so far.
    void RequestStop();
    bool StopRequested() const;

    void TimerOnStartTimer();
    TTreeScanner* TreeScanner() const;
    // "Scan again", the -refresh beat, the status line and the data folder's note.
    TWatchControls* Watch() const { return FWatch; }

private:
    void BuildChart();
    void PlotSummary(const TFamilyReading& family, const QString& baseCaption);
    void BuildFamilySelector();
    bool SaveChartImage(const QString& file);
    // What the run's scan shows in this window and draws from it.
    TScanViews Views();
    // One scan of the window, its first or a later one; why it failed, or empty.
    QString WatchScan();
    // What reads the pass is disabled while a scan fills it.
    void SetScanning(bool scanning);
    void ShowDataFolderNote();
    void FormCreate();
    void BuildControls();
    void SetHint(const QString& hint);
    void ForceForeground();

public:
    void PopupCopyClick();

private:
    QString FBaseCaption;
    bool FCloseAfterScan = false;
    TStationRun& FRun;

    TCommandLine FCommandLine;
    QString FHint;

    QLabel* FLabelOnOpen = nullptr;
    QPlainTextEdit* FMemoList = nullptr;
    QMenu* FPopupMenu1 = nullptr;
    QAction* FPopupCopy = nullptr;
    QAction* FPopupHistory = nullptr;
    THistoryWindow* FHistoryWindow = nullptr;
    QTimer* FTimerOnStart = nullptr;
    TWatchControls* FWatch = nullptr;
    bool FScanned = false;
    TChart* FChart = nullptr;
    std::unique_ptr<TDelayChart> FDelayChart;
    TFamilySelector* FFamilySelector = nullptr;
    // One reading of every family, taken after the scan.
    std::vector<TFamilyReading> FReadings;
};
