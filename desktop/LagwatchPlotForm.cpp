#include "desktop/LagwatchPlotForm.h"

#include "app/CommandLine.h"
#include "desktop/DelayChart.h"
#include "desktop/FamilyHistory.h"
#include "desktop/FamilySelector.h"
#include "desktop/HistoryWindow.h"
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

#include <chrono>
#include <cstdio>
#include <exception>

namespace {

// One line on standard error; a path that is not valid UTF-8 is shown with
// its own bytes.
void ReportFailure(const QString& message)
{
    const QByteArray line = "lagwatch: " + EncodePath(message) + "\n";
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

TFormLagwatchPlot::TFormLagwatchPlot(const TCommandLine& commandLine, TStationPass& pass, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FPass(pass), FCommandLine(commandLine)
{
    setObjectName(QStringLiteral("FormLagwatchPlot"));
    setWindowTitle(QStringLiteral("Lagwatch"));
    setFixedSize(744, 307);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setCursor(Qt::WaitCursor);
    BuildControls();
    BuildFamilySelector();
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

TFormLagwatchPlot::~TFormLagwatchPlot() { FormDestroy(); }

const QString& TFormLagwatchPlot::DataFolder() const { return FPass.DataFolder(); }
const QString& TFormLagwatchPlot::ReceivedFileName() const { return FPass.LedgerFile(); }
const TSortedStringList& TFormLagwatchPlot::ReceivedList() const { return FPass.Ledger(); }
bool TFormLagwatchPlot::StopRequested() const { return FPass.StopRequested(); }
TTreeScanner* TFormLagwatchPlot::TreeScanner() const { return FPass.TreeScanner(); }
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
    if (FPass.Families().size() < 2)
        return;
    QStringList names;
    for (const auto& family : FPass.Families())
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
    FDelayChart->Plot(family.Summary);
    // With one family the caption is the program's; with several it names the family shown.
    const QString base = FFamilySelector ? FBaseCaption + QLatin1Char(' ') + family.Name : FBaseCaption;
    setWindowTitle(SummaryCaption(base, family.Summary.LastDate, NowUTC()));
    SetHint(SummaryHint(family.Summary.TextLines));
    if (FHistoryWindow && FHistoryWindow->isVisible())
        PopupHistoryClick();
}

void TFormLagwatchPlot::FormCreate()
{
    setFont(QApplication::font());
    FBaseCaption = windowTitle();
    // The pass has settled the data folder and loaded the ledger.
    setWindowTitle(FBaseCaption + QStringLiteral(" for ") + FPass.DataFolder());
    FDelayChart->SetDataFolder(FPass.DataFolder());
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
    // Nothing may escape into the event loop: a failed pass still shows
    // what it has, and the ledger is still saved.
    try {
        ScanAndPlot(FPass.DataFolder());
    } catch (const std::exception& error) {
        ReportFailure(QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    // A pass that failed shows what the ledgers hold.
    if (FReadings.empty())
        PlotSummary(std::chrono::steady_clock::now());
    if (FCommandLine.PngFile)
        SaveChartImage(*FCommandLine.PngFile);
    if (FCommandLine.HistoryPngFile) {
        QString error;
        FHistoryWritten = SaveFamilyHistoryImage(FamilyCompletenesses(FReadings), FPass.DataFolder(),
                                                 *FCommandLine.HistoryPngFile, FCommandLine.PngScale, error);
        if (!FHistoryWritten)
            ReportFailure(error);
    }
    FPopupHistory->setEnabled(true);
    if (FPass.StopRequested()) {
        close();
    } else if (FCloseAfterScan) {
        if (FCommandLine.PrintsSummary())
            PrintSummary();
        close();
    }
    unsetCursor();
    FChart->setVisible(true);
    ForceForeground();
}

void TFormLagwatchPlot::ScanAndPlot(const QString& folder)
{
    const auto start = std::chrono::steady_clock::now();
    FPass.Walk(folder, [this](int index) {
        if (index > 2)
            FLabelOnOpen->setVisible(true);
    });
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
    PlotSummary(std::chrono::steady_clock::now());
}

void TFormLagwatchPlot::PlotSummary(std::chrono::steady_clock::time_point start)
{
    FReadings = ReadFamilies(FPass, FCommandLine, NowUTC());
    ShowFamily(SelectedFamily());
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
}

void TFormLagwatchPlot::PrintSummary() const
{
    // Nobody sees the window of a scheduled run: the summary goes to standard
    // output. A reader that went away is no reason to stop before the save.
    const QByteArray bytes = PrintedFamilies(FReadings, FBaseCaption, NowUTC());
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void TFormLagwatchPlot::SaveChartImage(const QString& file)
{
    // -png: a PNG whatever the name (chart.jpg, chart.img, /dev/stdout).
    QString error;
    if (!SavePngFile(FChart->RenderToImage(FCommandLine.PngScale), file, error)) {
        ReportFailure(error);
        FOutputsWritten = false;
    }
}

void TFormLagwatchPlot::RequestStop()
{
    if (FPass.StopRequested())
        return;
    const bool walking = FPass.Walking();
    FPass.RequestStop();
    FTimerOnStart->stop();
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
    // Assessed anew at every opening: the day may have moved on.
    const TFamilyPass& family = *FPass.Families()[static_cast<size_t>(SelectedFamily())];
    TStationCompleteness completeness = FamilyCompletenessOf(family, FCommandLine, NowUTC());
    if (!FHistoryWindow) {
        FHistoryWindow = new THistoryWindow(
            std::move(completeness), FPass.DataFolder(),
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

bool TFormLagwatchPlot::FormDestroy() { return FPass.Save(); }
