#include "app/LagwatchMain.h"

#include "app/DesktopProgram.h"
#include "app/UnattendedRun.h"
#include "app/UserMessage.h"
#include "station/RegistryVariables.h"
#include "mapping/SegmentTables.h"
#include "platform/DegreeSign.h"
#include "platform/PathBytes.h"
#include "platform/QuietMessages.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

namespace {

int RefuseUsage(const TCommandLine& line, const QString& error)
{
    TellUser(error);
    PrintText(stderr, UsageHint());
    if (line.Check) {
        PrintText(stdout, QStringLiteral("LAGWATCH UNKNOWN - %1\n").arg(error));
        return 3;
    }
    return 2;
}

}  // namespace

int LagwatchMain(int argc, char** argv, const TDesktopRuns* desktop)
{
    // A reader that went away must never end a run before the ledger is saved.
    std::signal(SIGPIPE, SIG_IGN);

    // QApplication removes its own options from argv; keep the user's copy,
    // byte for byte (a data folder's name need not be valid UTF-8).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(DecodePath(QByteArray(argv[i])));

    TParsedCommandLine parsed = ParseCommandLine(arguments);
    TCommandLine& line = parsed.Line;
    switch (line.Info) {
    case TInfoRequest::Help:
        PrintText(stdout, UsageText());
        return 0;
    case TInfoRequest::Version:
        PrintText(stdout, VersionText());
        return 0;
    case TInfoRequest::None:
        break;
    }
    if (!parsed.Error.isEmpty())
        return RefuseUsage(line, parsed.Error);
    // A families file that cannot be used stops the run before anything is
    // read or written.
    if (QString error; !ResolveFamilies(line, error))
        return RefuseUsage(line, error);

    const TDisplayChoice display = ChooseDisplayPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"),
                                                         qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"));
    // Only a desktop run shows the window; a check, a run without a display
    // or on the off-screen platform needs no GUI for its pass, unless it
    // draws the chart or the history map.
    const bool showsWindow = !line.Check && !display.OffscreenFirst;
    bool desktopMissing = false;
    if ((showsWindow || line.DrawsPictures()) && !desktop) {
        const QString error = StartDesktopProgram(argv);
        // The pass still runs, so nothing that arrived goes unrecorded.
        TellUser(error + QStringLiteral("; running without a window"));
        desktopMissing = true;
    }
    qputenv("QT_QPA_PLATFORM", display.Platforms);

    InstallQuietMessageHandler();
    // Start-up sections of the units: the shared degree sign, the segment
    // tables with their preset mappings, the settings company key.
    InitDegreeSign();
    InitSegmentTables();
    InitRegistryVariables();
    int status = 0;
    if (showsWindow && desktop) {
        status = desktop->RunOnDesktop(argc, argv, line, display);
    } else {
        if (display.NoDisplay && !line.EndsAfterPass())
            TellUser(QStringLiteral("no display; drawing off-screen, the run ends after the scan"));
        line.Close = true;
        if (line.DrawsPictures() && desktop) {
            status = desktop->RunUnattendedWithChart(argc, argv, line);
        } else {
            QCoreApplication app(argc, argv);
            status = RunPassWithoutWindow(line);
        }
        if (desktopMissing && status == 0)
            status = 1;
    }
    FinalizeRegistryVariables();
    FinalizeSegmentTables();
    return status;
}
