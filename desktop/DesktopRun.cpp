#include "desktop/DesktopRun.h"

#include "desktop/DelayChart.h"
#include "desktop/FamilyHistory.h"
#include "desktop/HistoryMap.h"
#include "desktop/LagwatchPlotForm.h"
#include "app/RunOutputs.h"
#include "app/UnattendedRun.h"
#include "chart/Chart.h"
#include "platform/ImageFile.h"
#include "platform/StopSignals.h"
#include "station/StationPass.h"

#include <QApplication>

namespace {

bool SaveChart(const QString& dataFolder, const TDelaySummary& summary, const QString& file, int scale)
{
    TChart chart;
    TDelayChart delayChart(&chart);
    delayChart.SetDataFolder(dataFolder);
    delayChart.Plot(summary);
    QString error;
    // -png: a PNG whatever the name (chart.jpg, chart.img, /dev/stdout).
    if (SavePngFile(chart.RenderToImage(scale), file, error))
        return true;
    ReportRunFailure(error);
    return false;
}

// The run's pictures, at the scale -png-scale asks for.
int RunDrawing(const TCommandLine& line)
{
    return RunPassWithoutWindow(
        line,
        [&line](const QString& dataFolder, const TDelaySummary& summary, const QString& file) {
            return SaveChart(dataFolder, summary, file, line.PngScale);
        },
        [&line](const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file) {
            QString error;
            if (SaveFamilyHistoryImage(FamilyCompletenesses(families), dataFolder, file, line.PngScale, error))
                return true;
            ReportRunFailure(error);
            return false;
        });
}

}  // namespace

int RunUnattendedWithChart(int& argc, char** argv, const TCommandLine& line)
{
    // The chart is drawn with fonts, off-screen whatever display there is.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunDrawing(line);
}

int RunOnDesktop(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display)
{
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Nobody can close a window nobody sees: the run ends after the pass.
        ReportRunFailure(QStringLiteral("cannot open the display %1; drawing off-screen, the run ends after the scan")
                             .arg(QString::fromLocal8Bit(display.Display)));
        line.Close = true;
        return RunDrawing(line);
    }
    QApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStopSignals stopSignals;
    TStationPass pass(line.Positional, ReportRunFailure);
    TFormLagwatchPlot form(line, pass);
    QObject::connect(&stopSignals, &TStopSignals::Received, &form, [&form] { form.RequestStop(); });
    form.show();
    QApplication::exec();
    form.FormDestroy();
    return FinishPass(line, pass, form.OutputsWritten(), form.HistoryWritten(), stopSignals);
}
