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

// The program the user started (as file-system bytes, PathBytes.h): the
// running executable, or the program that handed this process its run
// (TakeHandedOverProgram). Its name picks the settings' company key, and its
// folder may hold the ledger.
QString ProgramFile();
// The folder of ProgramFile().
QString ExecutableFolder();

// Handing a run over with execv: the program names itself in the environment
// (HandOverProgram) and the program it starts takes that name back out
// (TakeHandedOverProgram), so the environment it runs with is the user's.
void HandOverProgram();
void TakeHandedOverProgram();
