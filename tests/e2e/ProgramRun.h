#pragma once
// Starting the real programs as a user or a scheduler would, always under a
// time limit, with the environment spelled out.
#include "tests/common/Faults.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct TRun
{
    // The exit status; -1 when the time limit was hit, -2 when the program
    // died from a signal (a crash, an abort).
    int ExitCode = -1;
    QString Out, Err;
};

// The caller's environment with the variables that decide an unattended run
// removed: no display, no platform choice, no locale.
QProcessEnvironment BareEnvironment();

// The environment with a configuration and data folder of the run's own,
// empty, unless the test chose them: a run never reads the user's settings
// or families file. Every Run* function applies it.
QProcessEnvironment OwnHome(QProcessEnvironment environment);

// Waits for the program and collects its output.
TRun Finish(QProcess& process, int timeoutMs);

TRun RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                int timeoutMs = 120000);

// The same with Input written to the program's standard input, which is then closed.
TRun RunWithInput(const QString& program, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs = 120000);

// The program under strace, which sends it signals as it makes given system
// calls (strace's inject=SYSCALL:signal=SIG[:when=N]), counting only the
// calls that reach path when one is given: a signal at a known point of the
// run, however fast or busy the machine.
TRun RunSignalledAt(const QString& strace, const QStringList& injections, const QString& path, const QString& program,
                    const QStringList& arguments, QProcessEnvironment environment);

// Under Xvfb (as a desktop run); off-screen where a test may go without it.
TRun RunOnDesktop(const QString& program, const QStringList& arguments);

// The number of CRM products a lagwatch-demo-data --manifest file lists (today's
// are there only once their time has passed); -1 when it cannot be read.
int ManifestProducts(const QString& manifest);

// Sends the signal to the started program; nothing when it has no process
// (never to process 0, which would be the test's own process group).
void SendSignal(const QProcess& process, int signalNumber);

// A copy of lagwatch and its desktop program in the folder, runnable by every
// user; returns the program's path, empty when the copy failed.
QString CopyProgram(const QString& folder);
