#include "desktop/LagwatchPlotForm.h"

#include "app/CommandLine.h"
#include "app/UserMessage.h"
#include "desktop/DelayChart.h"
#include "desktop/FamilyCharts.h"
#include "desktop/FamilyHistory.h"
#include "desktop/FamilySelector.h"
#include "desktop/HistoryMap.h"
#include "desktop/HistoryWindow.h"
#include "desktop/WatchControls.h"
#include "desktop/WatchStatus.h"
#include "app/StationHistory.h"
#include "report/CompletenessReport.h"
#include "report/DelaySummary.h"
#include "station/FamilyPass.h"
#include "station/StationPass.h"
#include "station/Utils.h"
#include "chart/Chart.h"
#include "platform/ImageFile.h"
#include "platform/NumberFormat.h"
#include "platform/PathBytes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <utility>

TFormLagwatchPlot::TFormLagwatchPlot(TStationRun& run, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FRun(run), FCommandLine(run.Line())
{
    setObjectName(QStringLiteral("FormLagwatchPlot"));
    setWindowTitle(QStringLiteral("Lagwatch"));
    setFixedSize(744, 307);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setCursor(Qt::WaitCursor);
    BuildControls();
    BuildFamilySelector();
    // Below the chart wherever the family row put it.
    FWatch = new TWatchControls(this, FPopupMenu1, FChart->geometry(),
                                FCommandLine.RefreshMinutes > 0 ? std::optional<int>(FCommandLine.RefreshMinutes)
                                                                : std::nullopt,
                                [this] { return WatchScan(); });
    connect(FWatch->Repeater(), &TScanRepeater::Changed, this,
            [this] { SetScanning(FWatch->Repeater()->Scanning()); });
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

TFormLagwatchPlot::~TFormLagwatchPlot() { FormDestroy(); }

const QString& TFormLagwatchPlot::DataFolder() const { return FRun.Pass().DataFolder(); }
const QString& TFormLagwatchPlot::ReceivedFileName() const { return FRun.Pass().LedgerFile(); }
const TSortedStringList& TFormLagwatchPlot::ReceivedList() const { return FRun.Pass().Ledger(); }
bool TFormLagwatchPlot::StopRequested() const { return FRun.Pass().StopRequested(); }
TTreeScanner* TFormLagwatchPlot::TreeScanner() const { return FRun.Pass().TreeScanner(); }
TBarSeries* TFormLagwatchPlot::Series1() const { return FDelayChart->Series(); }
TDateTime TFormLagwatchPlot::FirstDate() const { return FDelayChart->FirstDate(); }
TDateTime TFormLagwatchPlot::LastDate() const { return FDelayChart->LastDate(); }

void TFormLagwatchPlot::BuildControls()
{
    FLabelOnOpen = new QLabel(QStringLiteral("Please wait ... scan in progress"), this);
    FLabelOnOpen->setObjectName(QStringLiteral("LabelOnOpen"));
    FLabelOnOpen->setGeometry(0, 0, 744, 307);
    FLabelOnOpen->setAlignment(Qt::AlignCenter);
    FLabelOnOpen->hide();

    FMemoList = new QPlainTextEdit(QStringLiteral("MemoList"), this);
    FMemoList->setObjectName(QStringLiteral("MemoList"));
    FMemoList->setGeometry(16, 208, 289, 89);
    FMemoList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemoList->hide();

    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    FPopupCopy = FPopupMenu1->addAction(QStringLiteral("&Copy list as text"));
    FPopupCopy->setObjectName(QStringLiteral("PopupCopy"));
    FPopupCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    FPopupCopy->setShortcutContext(Qt::WindowShortcut);
    // The shortcut only fires for an action the window itself holds.
    addAction(FPopupCopy);
    connect(FPopupCopy, &QAction::triggered, this, [this] { PopupCopyClick(); });
    FPopupHistory = FPopupMenu1->addAction(QStringLiteral("Show &history"));
    FPopupHistory->setObjectName(QStringLiteral("PopupHistory"));
    FPopupHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    FPopupHistory->setShortcutContext(Qt::WindowShortcut);
    // The history is the pass's: there is none to show before it ends.
    FPopupHistory->setEnabled(false);
    addAction(FPopupHistory);
    connect(FPopupHistory, &QAction::triggered, this, [this] { PopupHistoryClick(); });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FPopupMenu1->popup(mapToGlobal(at)); });

    FTimerOnStart = new QTimer(this);
    FTimerOnStart->setObjectName(QStringLiteral("TimerOnStart"));
    FTimerOnStart->setInterval(100);
    FTimerOnStart->setSingleShot(false);
    connect(FTimerOnStart, &QTimer::timeout, this, [this] { TimerOnStartTimer(); });
    FTimerOnStart->start();

    BuildChart();
}

void TFormLagwatchPlot::BuildChart()
{
    FChart = new TChart(this);
    FChart->setObjectName(QStringLiteral("Chart"));
    FChart->move(8, 8);
    FChart->hide();
    FDelayChart = std::make_unique<TDelayChart>(FChart);
}

void TFormLagwatchPlot::BuildFamilySelector()
{
    const auto& families = FRun.Pass().Families();
    if (families.size() < 2)
        return;
    QStringList names;
    for (const auto& family : families)
        names.append(family->Family().Name);
    FFamilySelector = new TFamilySelector(names, this);
    FFamilySelector->setGeometry(8, 4, 728, FFamilySelector->sizeHint().height());
    // The chart and the window make room for the row above the chart.
    const int below = FFamilySelector->geometry().bottom() + 1;
    FChart->move(8, below + 4);
    setFixedSize(width(), height() + below);
    FLabelOnOpen->setGeometry(0, 0, width(), height());
    connect(FFamilySelector, &QTabBar::currentChanged, this, [this](int index) { ShowFamily(index); });
}

int TFormLagwatchPlot::SelectedFamily() const { return FFamilySelector ? FFamilySelector->currentIndex() : 0; }

void TFormLagwatchPlot::ShowFamily(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= FReadings.size())
        return;
    if (FFamilySelector && FFamilySelector->currentIndex() != index) {
        FFamilySelector->setCurrentIndex(index);  // comes back here
        return;
    }
    const TFamilyReading& family = FReadings[static_cast<size_t>(index)];
    // With several families the caption names the one shown.
    PlotSummary(family, FFamilySelector ? FBaseCaption + QLatin1Char(' ') + family.Name : FBaseCaption);
    if (FHistoryWindow && FHistoryWindow->isVisible())
        PopupHistoryClick();
}

void TFormLagwatchPlot::FormCreate()
{
    setFont(QApplication::font());
    FBaseCaption = windowTitle();
    // The pass has settled the data folder and loaded the ledger.
    setWindowTitle(FBaseCaption + QStringLiteral(" for ") + FRun.Pass().DataFolder());
    FDelayChart->SetDataFolder(FRun.Pass().DataFolder());
    FCloseAfterScan = FCommandLine.EndsAfterPass();
}

void TFormLagwatchPlot::SetHint(const QString& hint)
{
    FHint = hint;
    // Tool tips break lines at LF; the stored hint keeps its CRs.
    QString shown = hint;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setToolTip(shown);
}

namespace {

double ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

void TFormLagwatchPlot::TimerOnStartTimer()
{
    FTimerOnStart->stop();
    FWatch->FirstScan();
    if (FRun.Pass().StopRequested() || FCloseAfterScan)
        close();
    unsetCursor();
    FChart->setVisible(true);
    ForceForeground();
}

TScanViews TFormLagwatchPlot::Views()
{
    const auto start = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    return {[this](int index) {
                if (index > 2)
                    FLabelOnOpen->setVisible(true);
            },
            [this, start](const std::vector<TFamilyReading>& families) {
                FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(*start), 3) + QStringLiteral(" milliseconds"));
                FReadings = families;
                ShowFamily(SelectedFamily());
            },
            [this](const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file) {
                // One family: the window's own chart; several: each one's, one under the other.
                return families.size() == 1 ? SaveChartImage(file)
                                            : ChartImageWriter(FCommandLine.PngScale)(dataFolder, families, file);
            },
            HistoryImageWriter(FCommandLine.PngScale)};
}

void TFormLagwatchPlot::SetScanning(bool scanning)
{
    // The walk lets events through at every folder: what reads the pass
    // waits until it is filled.
    FPopupHistory->setEnabled(!scanning);
    if (FFamilySelector)
        FFamilySelector->setEnabled(!scanning);
}

QString TFormLagwatchPlot::WatchScan()
{
    const bool again = std::exchange(FScanned, true);
    // The readings point into the pass that a later scan replaces.
    FReadings.clear();
    if (again)
        FRun.ScanAgain(Views());
    else
        FRun.Scan(Views());
    TStationPass& pass = FRun.Pass();
    QString failure = pass.DataFolderProblem();
    // A window that keeps watching saves the ledger at every scan, so that
    // nothing is lost when the machine goes down; one that scanned once
    // saves it when it closes.
    if ((again || FCommandLine.RefreshMinutes > 0) && !pass.Save() && failure.isEmpty())
        failure = FRun.Reports().isEmpty() ? QStringLiteral("the ledger was not saved") : FRun.Reports().constLast();
    // The selected family's chart, caption, hint and open history window
    // follow the scan (Views).
    ShowDataFolderNote();
    if (again && pass.StopRequested())
        close();
    return failure;
}

void TFormLagwatchPlot::ShowDataFolderNote()
{
    const QString settingsKey = QStringLiteral("Datawarden");
    TFolderSource source = TFolderSource::CommandLine;
    if (FCommandLine.Positional.isEmpty())
        source = ReadRegistryString(settingsKey, QStringLiteral("ImagesPath")).isEmpty() ? TFolderSource::Unset
                                                                                         : TFolderSource::Settings;
    FWatch->SetNote(DataFolderNote(source, FRun.Pass().DataFolderProblem(), SettingsFilePath(settingsKey)));
}

void TFormLagwatchPlot::PlotSummary(const TFamilyReading& family, const QString& baseCaption)
{
    const TDelaySummary& summary = family.Summary;
    const auto start = std::chrono::steady_clock::now();
    // A later scan may have read another data folder from the settings.
    FDelayChart->SetDataFolder(FRun.Pass().DataFolder(), family.Name);
    FDelayChart->Plot(summary);
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
    setWindowTitle(SummaryCaption(baseCaption, summary.LastDate, NowUTC()));
    SetHint(SummaryHint(summary.TextLines));
}

bool TFormLagwatchPlot::SaveChartImage(const QString& file)
{
    // -png: a PNG whatever the name (chart.jpg, chart.img, /dev/stdout).
    QString error;
    if (SavePngFile(FChart->RenderToImage(FCommandLine.PngScale), file, error))
        return true;
    TellUser(error);
    return false;
}

void TFormLagwatchPlot::RequestStop()
{
    if (FRun.Pass().StopRequested())
        return;
    const bool walking = FRun.Pass().Walking();
    FRun.Pass().RequestStop();
    FTimerOnStart->stop();
    if (QTimer* refresh = FWatch->Repeater()->RefreshTimer())
        refresh->stop();
    // A walk ends at the next folder and the pass then closes the window.
    if (!walking)
        close();
}

void TFormLagwatchPlot::ForceForeground()
{
    raise();
    activateWindow();
}

void TFormLagwatchPlot::PopupHistoryClick()
{
    // The history would load day files into the pass the walk is filling.
    if (FRun.Pass().Walking())
        return;
    // Assessed anew at every opening: the day may have moved on.
    const TFamilyPass& family = *FRun.Pass().Families()[static_cast<size_t>(SelectedFamily())];
    TStationCompleteness completeness = FamilyCompletenessOf(family, NowUTC());
    if (!FHistoryWindow) {
        FHistoryWindow = new THistoryWindow(
            std::move(completeness), FRun.Pass().DataFolder(),
            [this] {
                return QString::fromUtf8(
                    CompletenessReportCsv({{FHistoryWindow->Family(), &FHistoryWindow->Completeness()}}));
            },
            this);
    } else {
        FHistoryWindow->SetCompleteness(std::move(completeness));
    }
    FHistoryWindow->SetFamily(family.Family().Name);
    FHistoryWindow->show();
    FHistoryWindow->raise();
    FHistoryWindow->activateWindow();
}

void TFormLagwatchPlot::PopupCopyClick() { QGuiApplication::clipboard()->setText(ClipboardText(FHint)); }

bool TFormLagwatchPlot::FormDestroy() { return FRun.Pass().Save(); }
