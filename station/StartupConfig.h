#pragma once
// What the window settles at creation: the data folder, the ledger file and
// the switches, from the settings value and the command line.
#include "platform/PathDelim.h"

#include <QString>
#include <QStringList>

QString IncludeTrailingPathDelimiter(const QString& path);

// Settings value (a delimiter added when it has none), overridden by argument
// 1 (likewise), then "MPEF/" appended when that sub-folder exists.
QString ComposeDataFolder(const QString& settingsValue, const QStringList& arguments);

// Empty when the data folder can be walked (the empty folder is the current
// one); otherwise why not: missing, not a folder, or unreadable.
QString DataFolderProblem(const QString& folder);

struct TLedgerLocation
{
    QString Path;      // where the ledger is saved
    QString LoadPath;  // where it is loaded from (an older ledger being carried over)
};

// True when the executable's folder has the install layout's shared data
// folder beside it (<bin>/../share/lagwatch), that is, when the program runs
// from where it was installed rather than from its build folder or a copy.
bool RunsFromInstallLocation(const QString& executableFolder);

// Argument 2 when that file exists; else CRM-received.txt beside the
// executable when that folder is writable and not an install location; else
// <dataHome>/lagwatch/CRM-received.txt, loaded from the one beside the
// executable while the new one does not exist yet.
TLedgerLocation ChooseLedger(const QStringList& arguments, const QString& executableFolder, const QString& dataHome);

// The folder of the running executable (as file-system bytes, PathBytes.h).
QString ExecutableFolder();
