#include "app/DesktopProgram.h"

#include "platform/PathBytes.h"
#include "station/StartupConfig.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString DesktopProgramName = QStringLiteral("lagwatch-desktop");

}  // namespace

QStringList DesktopProgramCandidates(const QString& programFolder, const QByteArray& named)
{
    if (!named.isEmpty())
        return {DecodePath(named)};
    const QString folder = IncludeTrailingPathDelimiter(programFolder);
    QStringList candidates;
    for (const QString& place :
         {folder + DesktopProgramName, QDir::cleanPath(folder + QStringLiteral(LAGWATCH_DESKTOP_FROM_BIN)),
          QStringLiteral(LAGWATCH_DESKTOP_INSTALLED), QStringLiteral(LAGWATCH_DESKTOP_PACKAGED),
          QStringLiteral(LAGWATCH_DESKTOP_BUILT)})
        if (!candidates.contains(place))
            candidates.append(place);
    return candidates;
}

QString StartDesktopProgram(char** argv)
{
    const QStringList candidates = DesktopProgramCandidates(ExecutableFolder(), qgetenv("LAGWATCH_DESKTOP"));
    QStringList failures;
    for (const QString& path : candidates) {
        const QByteArray file = EncodePath(path);
        if (::access(file.constData(), F_OK) != 0)
            continue;
        // The desktop program keeps the user's name for this program: the
        // settings and the ledger follow it.
        HandOverProgram();
        ::execv(file.constData(), argv);
        failures.append(QStringLiteral("cannot start the desktop program %1: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    // Nobody took the run: the name goes back out of the environment (it
    // names this very program).
    TakeHandedOverProgram();
    if (!failures.isEmpty())
        return failures.join(QStringLiteral("; "));
    return QStringLiteral("the desktop program is not installed (looked for %1)")
        .arg(candidates.join(QStringLiteral(", ")));
}
