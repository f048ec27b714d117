#include "app/LagwatchPlotForm.h"

#include "app/CommandLine.h"
#include "app/DayWalk.h"
#include "app/DelaySummary.h"
#include "app/Ledger.h"
#include "app/ProductFile.h"
#include "app/StartupConfig.h"
#include "app/Utils.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "platform/NumberFormat.h"
#include "platform/PathBytes.h"
#include "scan/TreeScan.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <exception>

namespace {

void ReportFailure(const QString& message)
{
    std::fprintf(stderr, "lagwatch: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

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
    // Design values go in inside the loading bracket, as a stored form is read.
    FChart->BeginLoading();
    FChart->setGeometry(8, 8, 728, 289);
    FChart->hide();
    FChart->SetView3D(false);
    FChart->SetLegendVisible(false);
    FChart->Title()->SetText({QStringLiteral("Delay of CRM data")});
    FChart->BottomAxis()->Title()->SetCaption(QStringLiteral("Date"));
    FChart->LeftAxis()->Title()->SetCaption(QStringLiteral("Minutes"));
    FChart->BackWall()->SetColor(clWhite);
    FChart->BackWall()->SetBrushStyle(TBrushStyle::Clear);
    FChart->SetOnAfterDraw([this](TChart* sender) { ChartAfterDraw(sender); });

    FSeries1 = new TBarSeries;
    FSeries1->SetMarksVisible(false);
    FSeries1->Shadow()->SetColor(0x848484);
    FSeries1->XValues()->SetDateTime(true);
    FSeries1->XValues()->SetOrder(TValueListOrder::Ascending);
    FSeries1->YValues()->SetOrder(TValueListOrder::None);
    FChart->AddSeries(FSeries1);
    FChart->EndLoading();
}

void TFormLagwatchPlot::FormCreate()
{
    setFont(QApplication::font());
    FBaseCaption = windowTitle();

    QString settingsError;
    const QString settingsValue = ReadRegistryString(QStringLiteral("Datawarden"), QStringLiteral("ImagesPath"), &settingsError);
    if (!settingsError.isEmpty())
        ReportFailure(settingsError);
    FDataFolder = ComposeDataFolder(settingsValue, FCommandLine.Positional);
    FDataFolderProblem = ::DataFolderProblem(FDataFolder);
    if (!FDataFolderProblem.isEmpty())
        ReportFailure(FDataFolderProblem);
    setWindowTitle(FBaseCaption + QStringLiteral(" for ") + FDataFolder);
    FChartTitle = QStringLiteral("Delay of CRM data in  ") + FDataFolder;
    FChart->Title()->SetText({FChartTitle});

    FReceivedList = std::make_unique<TSortedStringList>();
    FCloseAfterScan = FCommandLine.EndsAfterPass();

    const TLedgerLocation ledger =
        ChooseLedger(FCommandLine.Positional, QFileInfo(QCoreApplication::applicationFilePath()).absolutePath(), UserDataHome());
    FReceivedFileName = ledger.Path;
    FLoadFileName = ledger.LoadPath;
    QString loadError;
    if (LoadLedger(*FReceivedList, FLoadFileName, loadError) == TLoadResult::Failed)
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

} // namespace

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
    FFirstDate = summary.FirstDate;
    FLastDate = summary.LastDate;
    FSeries1->BeginUpdate();
    for (const TDelayPoint& p : summary.Points)
        FSeries1->AppendPoint(p.Day, p.Minutes, QString(), p.Colour);
    FLabelOnOpen->setToolTip(FormatFixed(ElapsedMs(start), 3) + QStringLiteral(" milliseconds"));
    FSeries1->EndUpdate();

    FChart->LeftAxis()->SetAutomaticMaximum(false);
    FChart->LeftAxis()->SetMaximum(LeftAxisMaximum(summary.Maximum));
    FChart->BottomAxis()->SetDateTimeFormat(QStringLiteral("mmm dd"));
    FChart->BottomAxis()->SetIncrement(3);
    FChart->BottomAxis()->SetMinorTickCount(2);

    setWindowTitle(SummaryCaption(FBaseCaption, summary.LastDate, NowUTC()));
    SetHint(SummaryHint(summary.TextLines));
}

void TFormLagwatchPlot::ChartAfterDraw(TChart* sender)
{
    if (!(FLastDate > FFirstDate))
        return;
    const int y = sender->LeftAxis()->ValueToPixel(45.0);
    const int x1 = sender->BottomAxis()->ValueToPixel(FFirstDate - 0.7);
    const int x2 = sender->BottomAxis()->ValueToPixel(FLastDate + 0.7);
    sender->Canvas()->Pen()->SetStyle(TPenStyle::Dash);
    sender->Canvas()->Pen()->SetColor(ColourReferenceLine);
    sender->Canvas()->DrawHorizontalLine(x1, x2, y);
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
    if (!FChart->RenderToImage().save(file, "PNG")) {
        ReportFailure(QStringLiteral("cannot write the chart image %1").arg(file));
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
    if (problem != TProductName::TProblem::None || FReceivedList->ContainsNameUtf8(QByteArrayView(FLineBuffer).first(nameLength)))
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

void TFormLagwatchPlot::PopupCopyClick()
{
    QGuiApplication::clipboard()->setText(ClipboardText(FHint));
}

bool TFormLagwatchPlot::FormDestroy()
{
    if (FDestroyed)
        return true;
    FDestroyed = true;
    QString error;
    if (SaveLedger(*FReceivedList, FReceivedFileName, error))
        return true;
    ReportFailure(error);
    return false;
}
