#pragma once
// Starting the real programs as a user or a scheduler would, always under a
// time limit, with the environment spelled out.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
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

// Waits for the program and collects its output.
TRun Finish(QProcess& process, int timeoutMs);

TRun RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                int timeoutMs = 120000);

// The same with Input written to the program's standard input, which is then closed.
TRun RunWithInput(const QString& program, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs = 120000);

// Under Xvfb when it is installed (as a desktop run), else off-screen.
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

// Xvfb is needed here: true when a test may skip without it (never in CI).
bool MaySkipWithoutTool();

// A tool a test needs, found on the path as `variable`: skipped on a
// developer's machine without it, a failure in CI.
#define REQUIRE_TOOL(variable, name)                                                                                   \
    const QString variable = QStandardPaths::findExecutable(name);                                                     \
    if (variable.isEmpty()) {                                                                                          \
        if (!MaySkipWithoutTool())                                                                                     \
            FAIL() << name << " is not installed (scripts/install-deps.sh installs it)";                               \
        GTEST_SKIP() << name << " is not installed";                                                                   \
    }
