#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

QProcessEnvironment BareEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANG", "LANGUAGE", "LC_ALL",
                             "LC_COLLATE", "LC_CTYPE", "LC_MESSAGES", "LC_NUMERIC", "LC_TIME"})
        env.remove(name);
    return env;
}

QProcessEnvironment OwnHome(QProcessEnvironment environment)
{
    // Removed when the test program ends; a fresh folder for every run.
    static const QTemporaryDir homes;
    static int runs = 0;
    // Open to a run as another user (nobody), which finds the folders empty too.
    QFile::setPermissions(homes.path(), QFile::permissions(homes.path()) | QFile::ExeOther | QFile::ExeGroup);
    const QString home = homes.filePath(QString::number(++runs));
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        if (environment.contains(variable))
            continue;
        const QString folder = home + '/' + QString::fromLatin1(variable).mid(4).toLower();
        QDir().mkpath(folder);
        environment.insert(variable, folder);
    }
    return environment;
}

TRun Finish(QProcess& process, int timeoutMs)
{
    TRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
    } else {
        run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TRun RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(OwnHome(environment));
    process.start(program, arguments);
    return Finish(process, timeoutMs);
}

TRun RunWithInput(const QString& program, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(OwnHome(environment));
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    return Finish(process, timeoutMs);
}

TRun RunSignalledAt(const QString& strace, const QStringList& injections, const QString& path, const QString& program,
                    const QStringList& arguments, QProcessEnvironment environment)
{
    // A sanitizer's leak check cannot run under a tracer.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
    QStringList command{"-f", "-qq", "-o", "/dev/null"};
    if (!path.isEmpty())
        command << "-P" << path;
    for (const QString& injection : injections)
        command << "-e"
                << "inject=" + injection;
    return RunProgram(strace, command + QStringList{program} + arguments, environment);
}

TRun RunOnDesktop(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
    if (!xvfb.isEmpty()) {
        // An authority file of the test's own: without one xvfb-run makes a
        // folder in /tmp whose removal once failed it (status 5) on a busy machine.
        const QTemporaryDir auth;
        return RunProgram(xvfb, QStringList{"-a", "-f", auth.filePath("Xauthority"), program} + arguments, env);
    }
    if (!MaySkipWithoutSetup())
        ADD_FAILURE() << "xvfb-run is not installed (scripts/install-deps.sh installs it)";
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return RunProgram(program, arguments, env);
}

int ManifestProducts(const QString& manifest)
{
    QFile file(manifest);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(file.readAll().count('\n'));
}

QString CopyProgram(const QString& folder)
{
    const QString program = folder + "/lagwatch";
    for (const auto& [from, to] : {std::pair<QString, QString>(LAGWATCH_BIN, program),
                                   std::pair<QString, QString>(LAGWATCH_DESKTOP_BIN, folder + "/lagwatch-desktop")})
        if (!QFile::copy(from, to) ||
            !QFile::setPermissions(to, QFile::permissions(from) | QFile::ExeOther | QFile::ReadOther | QFile::ExeGroup |
                                           QFile::ReadGroup))
            return {};
    return program;
}

void SendSignal(const QProcess& process, int signalNumber)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), signalNumber);
}
