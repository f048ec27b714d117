#include "app/LagwatchPlotForm.h"

#include "app/CommandLine.h"
#include "app/DayWalk.h"
#include "app/DelayChart.h"
#include "app/DelaySummary.h"
#include "app/Ledger.h"
#include "app/ProductFile.h"
#include "app/StartupConfig.h"
#include "app/Utils.h"
#include "chart/Chart.h"
#include "platform/ImageFile.h"
#include "platform/NumberFormat.h"
#include "platform/PathBytes.h"
#include "platform/UserFolders.h"
#include "scan/TreeScan.h"

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

TLedgerWait LedgerWait()
{
    TLedgerWait wait;
    wait.Announce = ReportFailure;
    return wait;
}

}  // namespace

TFormLagwatchPlot::TFormLagwatchPlot(const TCommandLine& commandLine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FCommandLine(commandLine)
{
    setObjectName(QStringLiteral("FormLagwatchPlot"));
    setWindowTitle(QStringLiteral("Lagwatch"));
    setFixedSize(744, 307);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setCursor(Qt::WaitCursor);
    BuildControls();
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

TFormLagwatchPlot::~TFormLagwatchPlot() { FormDestroy(); }

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

    FTreeScanner = new TTreeScanner(this);
    FTreeScanner->setObjectName(QStringLiteral("TreeScanner"));
    FTreeScanner->SetFileMask(QStringLiteral("2*crm.grb"));
    FTreeScanner->SetRecursive(false);
    FTreeScanner->SetOnFileFound([this](TTreeScanner* sender) { TreeScannerFileFound(sender); });
}

void TFormLagwatchPlot::BuildChart()
{
    FChart = new TChart(this);
    FChart->setObjectName(QStringLiteral("Chart"));
    FChart->move(8, 8);
    FChart->hide();
    FDelayChart = std::make_unique<TDelayChart>(FChart);
}

void TFormLagwatchPlot::FormCreate()
{
    setFont(QApplication::font());
    FBaseCaption = windowTitle();

    QString settingsError;
    const QString settingsValue =
        ReadRegistryString(QStringLiteral("Datawarden"), QStringLiteral("ImagesPath"), &settingsError);
    if (!settingsError.isEmpty())
        ReportFailure(settingsError);
    FDataFolder = ComposeDataFolder(settingsValue, FCommandLine.Positional);
    FDataFolderProblem = ::DataFolderProblem(FDataFolder);
    if (!FDataFolderProblem.isEmpty())
        ReportFailure(FDataFolderProblem);
    setWindowTitle(FBaseCaption + QStringLiteral(" for ") + FDataFolder);
    FDelayChart->SetDataFolder(FDataFolder);

    FReceivedList = std::make_unique<TSortedStringList>();
    FCloseAfterScan = FCommandLine.EndsAfterPass();

    const TLedgerLocation ledger = ChooseLedger(FCommandLine.Positional, ExecutableFolder(), UserDataHome());
    FReceivedFileName = ledger.Path;
    FLoadFileName = ledger.LoadPath;
    QString loadError;
    if (LoadLedger(*FReceivedList, FLoadFileName, loadError, LedgerWait()) == TLoadResult::Failed)
        ReportFailure(loadError);
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
    const auto passStart = std::chrono::steady_clock::now();
    FPassRunning = true;
    // Nothing may escape into the event loop: a failed pass still shows
    // what it has, and the ledger is still saved.
    try {
        ScanAndPlot(FDataFolder);
    } catch (const std::exception& error) {
        ReportFailure(QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    FPassRunning = false;
    FPassSeconds = ElapsedMs(passStart) / 1000.0;
    if (FCommandLine.PngFile)
        SaveChartImage(*FCommandLine.PngFile);
    if (FStopRequested) {
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
    const TDateTime today = NowUTC();
    auto start = std::chrono::steady_clock::now();
    TDayWalkHooks hooks;
    hooks.IsRecorded = [this](const QString& name) { return !FReceivedList->Values(name).isEmpty(); };
    hooks.FolderExists = [](const QString& dayFolder) { return IsFolderPath(dayFolder); };
    hooks.ShouldStop = [this] { return FStopRequested; };
    hooks.Search = [this](const QString& dayFolder) {
        FTreeScanner->SetInitialDirectory(dayFolder);
        FTreeScanner->Search();
    };
    hooks.OnIteration = [this](int index) {
        if (index > 2)
            FLabelOnOpen->setVisible(true);
    };
    WalkDays(today, NowUTC(), folder, hooks);
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
    PlotSummary(std::chrono::steady_clock::now());
}

void TFormLagwatchPlot::PlotSummary(std::chrono::steady_clock::time_point start)
{
    const TDelaySummary summary = SummariseLedgerEntries(NewestLedgerEntries(*FReceivedList));
    FDelayChart->Plot(summary);
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
    setWindowTitle(SummaryCaption(FBaseCaption, summary.LastDate, NowUTC()));
    SetHint(SummaryHint(summary.TextLines));
}

void TFormLagwatchPlot::PrintSummary() const
{
    // Nobody sees the window of a scheduled run: the summary goes to standard
    // output. A reader that went away is no reason to stop before the save.
    QString text = windowTitle() + QLatin1Char('\n') + FHint;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text += QLatin1Char('\n');
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void TFormLagwatchPlot::SaveChartImage(const QString& file)
{
    // -png: a PNG whatever the name (chart.jpg, chart.img, /dev/stdout).
    QString error;
    if (!SaveImageFileAs(FChart->RenderToImage(), file, "png", error)) {
        ReportFailure(error);
        FOutputsWritten = false;
    }
}

void TFormLagwatchPlot::TreeScannerFileFound(TTreeScanner* sender)
{
    // Only a regular file (or a link to one) is a product: a FIFO, socket or
    // device has no delay to measure. The scanner's one status call gave the
    // kind and the times.
    const TFileStatus& status = sender->FileStatus();
    if (status.Kind != TFileStatus::TKind::Regular)
        return;
    const QByteArray& path = sender->FileFoundBytes();
    const QByteArrayView rawName = QByteArrayView(path).sliced(path.lastIndexOf('/') + 1);
    qsizetype nameLength = 0;
    const TProductName::TProblem problem = ProductLineUtf8(rawName, status.Times, FLineBuffer, nameLength);
    // The ledger cannot hold such a name exactly.
    if (problem == TProductName::TProblem::NotUtf8)
        ReportFailure(QStringLiteral("not recorded, the file name is not valid UTF-8: %1").arg(sender->FileFound()));
    if (problem != TProductName::TProblem::None ||
        FReceivedList->ContainsNameUtf8(QByteArrayView(FLineBuffer).first(nameLength)))
        return;
    if (FReceivedList->AddUtf8(FLineBuffer) >= 0)
        ++FProductsRecorded;
}

void TFormLagwatchPlot::RequestStop()
{
    if (FStopRequested)
        return;
    FStopRequested = true;
    FTimerOnStart->stop();
    if (FPassRunning)
        FTreeScanner->SetContinueSearch(false);  // the pass closes the window when the walk has ended
    else
        close();
}

void TFormLagwatchPlot::ForceForeground()
{
    raise();
    activateWindow();
}

void TFormLagwatchPlot::PopupCopyClick() { QGuiApplication::clipboard()->setText(ClipboardText(FHint)); }

bool TFormLagwatchPlot::FormDestroy()
{
    if (FDestroyed)
        return true;
    FDestroyed = true;
    QString error;
    if (SaveLedger(*FReceivedList, FReceivedFileName, error, LedgerWait()))
        return true;
    ReportFailure(error);
    return false;
}
