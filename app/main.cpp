// Program entry of the delay checker.
#include "app/CommandLine.h"
#include "app/LagwatchPlotForm.h"
#include "app/RegistryVariables.h"
#include "mapping/SegmentTables.h"
#include "platform/DegreeSign.h"
#include "platform/QuietMessages.h"

#include <QApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // A reader that went away must never end a run before the ledger is saved.
    std::signal(SIGPIPE, SIG_IGN);

    // QApplication removes its own options from argv; keep the user's copy.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    switch (InfoRequest(arguments)) {
    case TInfoRequest::Help:
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    case TInfoRequest::Version:
        std::fputs(VersionText().toLocal8Bit().constData(), stdout);
        return 0;
    case TInfoRequest::None:
        break;
    }

    // A scheduled run on a server has no display: draw off-screen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    InstallQuietMessageHandler();
    // Start-up sections of the units: the shared degree sign, the segment
    // tables with their preset mappings, the settings company key.
    InitDegreeSign();
    InitSegmentTables();
    InitRegistryVariables();
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Lagwatch checker"));
        TFormLagwatchPlot form(arguments);
        form.show();
        QApplication::exec();
        const bool saved = form.FormDestroy();
        if ((!saved && form.CloseAfterScan()) || !form.OutputsWritten())
            status = 1;
    }
    FinalizeRegistryVariables();
    FinalizeSegmentTables();
    return status;
}
