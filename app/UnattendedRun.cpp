#include "app/UnattendedRun.h"

#include "app/RunOutputs.h"
#include "app/StationHistory.h"
#include "platform/PathBytes.h"
#include "platform/StopSignals.h"
#include "station/StationPass.h"
#include "station/Utils.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {

void Print(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// The caption the window would show after its pass.
const QString BaseCaption = QStringLiteral("Lagwatch");

}  // namespace

void ReportRunFailure(const QString& message)
{
    Print(stderr, EncodePath(QStringLiteral("lagwatch: %1\n").arg(message)));
}

int RunPassWithoutWindow(const TCommandLine& line, const TSaveChart& saveChart, const TSaveHistory& saveHistory)
{
    QCoreApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStopSignals stopSignals;
    TStationPass pass(line.Positional, ReportRunFailure);
    QObject::connect(&stopSignals, &TStopSignals::Received, [&pass] { pass.RequestStop(); });
    try {
        pass.Walk(pass.DataFolder());
    } catch (const std::exception& error) {
        ReportRunFailure(QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    // The chart's and the printed summary's readings; the outputs read the
    // families again once the save has merged in what a concurrent run added.
    const TDateTime now = NowUTC();
    const std::vector<TFamilyReading> readings = ReadFamilies(pass, line, now);
    const TDelaySummary& summary = readings.front().Summary;
    bool chartWritten = true;
    if (line.PngFile) {
        chartWritten = saveChart && saveChart(pass.DataFolder(), summary, *line.PngFile);
        if (!saveChart)
            ReportRunFailure(
                QStringLiteral("cannot draw the chart image %1 without the desktop program").arg(*line.PngFile));
    }
    bool historyWritten = true;
    if (line.HistoryPngFile) {
        historyWritten = saveHistory && saveHistory(pass.DataFolder(), readings, *line.HistoryPngFile);
        if (!saveHistory)
            ReportRunFailure(QStringLiteral("cannot draw the history image %1 without the desktop program")
                                 .arg(*line.HistoryPngFile));
    }
    if (!pass.StopRequested() && line.PrintsSummary())
        Print(stdout, PrintedFamilies(readings, BaseCaption, now));
    pass.Save();
    return FinishPass(line, pass, chartWritten, historyWritten, stopSignals);
}
