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
// <dataHome>/lagwatch/<DataFolderLedgerName(dataFolder)>/CRM-received.txt:
// each data folder keeps its own ledgers. While that one does not exist,
// the settings' data folder carries over the ledger of earlier versions:
// <dataHome>/lagwatch/CRM-received.txt, or else the one beside the executable.
TLedgerLocation ChooseLedger(const QStringList& arguments, const QString& executableFolder, const QString& dataHome,
                             const QString& dataFolder, const QString& settingsDataFolder);

// A folder name that tells which data folder its ledgers belong to: the
// folder's absolute path, its '/' turned into '_' and characters other than
// letters, digits, '.', '-' and '_' into '_', then '-' and eight hex digits
// of the path's hash, so two folders never share a name.
QString DataFolderLedgerName(const QString& dataFolder);

// The ledger folder of a family other than crm: NAME-received/ beside the
// CRM ledger (ending with '/').
QString FamilyLedgerFolder(const QString& crmLedger, const QString& familyName);

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
