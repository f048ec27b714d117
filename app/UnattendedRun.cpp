#include "app/UnattendedRun.h"

#include "station/StationPass.h"

#include <QCoreApplication>

int RunPassWithoutWindow(const TCommandLine& line, const TSaveChart& saveChart, const TSaveHistory& saveHistory)
{
    QCoreApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
    TStationRun run(line);
    QObject::connect(&run.StopSignals(), &TStopSignals::Received, [&run] { run.Pass().RequestStop(); });
    run.Scan({{}, {}, saveChart, saveHistory});
    return run.Finish();
}
