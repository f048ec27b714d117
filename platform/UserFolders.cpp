#include "platform/UserFolders.h"

#include "platform/PathBytes.h"

#include <QDir>

namespace {

// Our own lookup rather than QStandardPaths: the Qt 6.4 of the stations'
// Debian takes a relative $XDG_CONFIG_HOME as it stands (so the settings of
// a cron job would depend on its working folder), where the base-directory
// rules say a relative value is to be ignored.
// Values are file-system bytes, kept as they are (PathBytes.h) even where
// they are not valid UTF-8.
QString XdgHome(const char* variable, const char* belowHome)
{
    const QString value = DecodePath(qgetenv(variable));
    if (value.startsWith(QLatin1Char('/')))
        return value;
    const QString home = DecodePath(qgetenv("HOME"));
    return (home.startsWith(QLatin1Char('/')) ? home : QDir::homePath()) + QLatin1Char('/') + QLatin1String(belowHome);
}

}  // namespace

QString UserConfigHome() { return XdgHome("XDG_CONFIG_HOME", ".config"); }

QString UserDataHome() { return XdgHome("XDG_DATA_HOME", ".local/share"); }
