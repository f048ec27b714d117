#include "app/StationRun.h"

#include "app/DelayChart.h"
#include "app/LagwatchPlotForm.h"
#include "app/RunOutputs.h"
#include "chart/Chart.h"
#include "platform/ImageFile.h"
#include "platform/PathBytes.h"
#include "platform/StopSignals.h"
#include "report/DelaySummary.h"
#include "station/StationPass.h"
#include "station/Utils.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

namespace {

// UTF-8, with a path's bytes that are not UTF-8 given back as they were.
void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = EncodePath(text);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void ReportFailure(const QString& message) { Print(stderr, QStringLiteral("lagwatch: %1\n").arg(message)); }

// The caption the window would show before and after its pass.
const QString BaseCaption = QStringLiteral("Lagwatch");

// Writes the chart of a summary as -png asks; false (reported) when it cannot.
bool SaveChart(const QString& dataFolder, const TDelaySummary& summary, const QString& file, int scale)
{
    TChart chart;
    TDelayChart delayChart(&chart);
    delayChart.SetDataFolder(dataFolder);
    delayChart.Plot(summary);
    QString error;
    // A name without an extension (a device, /dev/stdout) is written as PNG.
    if (SaveImageFile(chart.RenderToImage(scale), file, error, "PNG"))
        return true;
    ReportFailure(error);
    return false;
}

// What every run ends with once its ledger is saved: the outputs, and a stop
// signal's message and status.
int FinishPass(const TCommandLine& line, const TStationPass& pass, bool chartWritten, TStopSignals& stopSignals)
{
    stopSignals.CollectPending();
    int status = FinishRun(line, RecordOfRun(pass, chartWritten, stopSignals.FirstSignal()), stdout, stderr);
    if (const int signalNumber = stopSignals.FirstSignal()) {
        Print(stderr, QStringLiteral("lagwatch: stopped by signal %1 (%2)%3\n")
                          .arg(signalNumber)
                          .arg(QString::fromLocal8Bit(strsignal(signalNumber)),
                               pass.Saved() ? QStringLiteral("; the ledger keeps what was recorded") : QString()));
        status = 128 + signalNumber;
    }
    return status;
}

// The pass without a window, on whatever application object is there.
int RunPassWithoutWindow(const TCommandLine& line)
{
    QCoreApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStopSignals stopSignals;
    TStationPass pass(line.Positional, ReportFailure);
    QObject::connect(&stopSignals, &TStopSignals::Received, [&pass] { pass.RequestStop(); });
    try {
        pass.Walk(pass.DataFolder());
    } catch (const std::exception& error) {
        ReportFailure(QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    const TDelaySummary summary = SummariseLedgerEntries(NewestLedgerEntries(pass.Entries()));
    bool chartWritten = true;
    if (line.PngFile)
        chartWritten = SaveChart(pass.DataFolder(), summary, *line.PngFile, line.PngScale);
    if (!pass.StopRequested() && line.PrintsSummary()) {
        const QByteArray text = PrintedSummary(SummaryCaption(BaseCaption, summary.LastDate, NowUTC()),
                                               SummaryHint(summary.TextLines));
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
    pass.Save();
    return FinishPass(line, pass, chartWritten, stopSignals);
}

}  // namespace

int RunUnattended(int& argc, char** argv, const TCommandLine& line)
{
    if (!line.PngFile) {
        QCoreApplication app(argc, argv);
        return RunPassWithoutWindow(line);
    }
    // The chart is drawn with fonts, off-screen whatever display there is.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunPassWithoutWindow(line);
}

int RunOnDesktop(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display)
{
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Nobody can close a window nobody sees: the run ends after the pass.
        Print(stderr, QStringLiteral("lagwatch: cannot open the display %1; drawing off-screen, the run ends "
                                     "after the scan\n")
                          .arg(QString::fromLocal8Bit(display.Display)));
        line.Close = true;
        return RunPassWithoutWindow(line);
    }
    QApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStopSignals stopSignals;
    TStationPass pass(line.Positional, ReportFailure);
    TFormLagwatchPlot form(line, pass);
    QObject::connect(&stopSignals, &TStopSignals::Received, &form, [&form] { form.RequestStop(); });
    form.show();
    QApplication::exec();
    form.FormDestroy();
    return FinishPass(line, pass, form.OutputsWritten(), stopSignals);
}
