#pragma once
// Handing a run to the desktop program, lagwatch-desktop (the window and the
// pictures), which then runs in this process in the program's place: one
// process, one copy of everything. It is looked for beside the program, then
// at the places its build compiled in, as version control tools find their
// helper programs; LAGWATCH_DESKTOP names another.
#include <QByteArray>
#include <QString>
#include <QStringList>

// The places tried, in order: the one named (LAGWATCH_DESKTOP) alone, or
// else beside the program (programFolder), the install layout's lib/lagwatch/
// beside its bin/, the install prefix's lib/lagwatch/ and the build folder.
QStringList DesktopProgramCandidates(const QString& programFolder, const QByteArray& named);

// Replaces this process with the desktop program, with the same arguments and
// environment. Returns only when none could be started, with why.
QString StartDesktopProgram(char** argv);
