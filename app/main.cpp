// Program entry of the delay checker.
#include "app/CommandLine.h"
#include "app/LagwatchPlotForm.h"
#include "app/RegistryVariables.h"

#include <QApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

namespace {

// Standard error carries the program's own failure lines; the platform's
// warnings (a missing runtime folder on a server, say) would drown them.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("LAGWATCH_DEBUG"))
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

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

    qInstallMessageHandler(QuietMessages);
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
    return status;
}
