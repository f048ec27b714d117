#pragma once
// The main window of the delay checker.
#include "app/CommandLine.h"
#include "platform/DateTime.h"
#include "platform/SortedStringList.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;
class TTreeScanner;
class TChart;
class TBarSeries;
class TDelayChart;

class TFormLagwatchPlot : public QWidget
{
    Q_OBJECT

public:
    // commandLine: parsed from a copy of the arguments taken before the
    // application object could remove its own options.
    explicit TFormLagwatchPlot(const TCommandLine& commandLine, QWidget* parent = nullptr);
    ~TFormLagwatchPlot() override;

    // Saves the ledger (once); false when the save failed.
    bool FormDestroy();

    const QString& DataFolder() const { return FDataFolder; }
    const QString& ReceivedFileName() const { return FReceivedFileName; }
    bool CloseAfterScan() const { return FCloseAfterScan; }
    const TSortedStringList& ReceivedList() const { return *FReceivedList; }
    QString Hint() const { return FHint; }
    QLabel* LabelOnOpen() const { return FLabelOnOpen; }
    TChart* Chart() const { return FChart; }
    TBarSeries* Series1() const;
    TDateTime FirstDate() const;
    TDateTime LastDate() const;
    // False when a requested PNG could not be written.
    bool OutputsWritten() const { return FOutputsWritten; }
    // Why the data folder cannot be walked; empty when it can.
    const QString& DataFolderProblem() const { return FDataFolderProblem; }
    // Lines this run added to the ledger, and how long its pass took.
    int ProductsRecorded() const { return FProductsRecorded; }
    double PassSeconds() const { return FPassSeconds; }

    // A stop signal: ends the walk at the next folder, or the idle window,
    // so that the ledger is saved with everything recorded so far.
    void RequestStop();
    bool StopRequested() const { return FStopRequested; }

    void TimerOnStartTimer();
    void ScanAndPlot(const QString& folder);
    TTreeScanner* TreeScanner() const { return FTreeScanner; }

private:
    void TreeScannerFileFound(TTreeScanner* sender);
    void BuildChart();
    void PlotSummary(std::chrono::steady_clock::time_point start);
    void PrintSummary() const;
    void SaveChartImage(const QString& file);
    void FormCreate();
    void BuildControls();
    void SetHint(const QString& hint);
    void ForceForeground();
public:
    void PopupCopyClick();

private:

    QString FBaseCaption;
    bool FCloseAfterScan = false;
    std::unique_ptr<TSortedStringList> FReceivedList;
    QString FReceivedFileName;
    QString FDataFolder;

    TCommandLine FCommandLine;
    QString FLoadFileName;
    QString FHint;
    bool FDestroyed = false;
    bool FOutputsWritten = true;
    QString FDataFolderProblem;
    int FProductsRecorded = 0;
    QByteArray FLineBuffer;  // the ledger line of the file being recorded, its room reused
    double FPassSeconds = 0;
    bool FPassRunning = false;
    bool FStopRequested = false;

    QLabel* FLabelOnOpen = nullptr;
    QPlainTextEdit* FMemoList = nullptr;
    QMenu* FPopupMenu1 = nullptr;
    QAction* FPopupCopy = nullptr;
    QTimer* FTimerOnStart = nullptr;
    TTreeScanner* FTreeScanner = nullptr;
    TChart* FChart = nullptr;
    std::unique_ptr<TDelayChart> FDelayChart;
};
