#include "platform/QuietMessages.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace {

void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("LAGWATCH_DEBUG"))
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

void InstallQuietMessageHandler() { qInstallMessageHandler(QuietMessages); }
