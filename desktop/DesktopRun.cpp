#include "desktop/DesktopRun.h"

#include "app/UnattendedRun.h"
#include "app/UserMessage.h"
#include "desktop/FamilyCharts.h"
#include "desktop/FamilyHistory.h"
#include "desktop/LagwatchPlotForm.h"

#include <QApplication>

namespace {

// The run's pictures, at the scale -png-scale asks for.
int RunDrawing(const TCommandLine& line)
{
    return RunPassWithoutWindow(line, ChartImageWriter(line.PngScale), HistoryImageWriter(line.PngScale));
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
        TellUser(QStringLiteral("cannot open the display %1; drawing off-screen, the run ends after the scan")
                     .arg(QString::fromLocal8Bit(display.Display)));
        line.Close = true;
        return RunDrawing(line);
    }
    QApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStationRun run(line);
    TFormLagwatchPlot form(run);
    QObject::connect(&run.StopSignals(), &TStopSignals::Received, &form, [&form] { form.RequestStop(); });
    form.show();
    QApplication::exec();
    form.FormDestroy();
    return run.Finish();
}
