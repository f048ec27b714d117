#include "tests/common/ProgramRun.h"

#include <QProcess>
#include <QProcessEnvironment>

TProgramRun RunOffscreen(const QString& program, const QStringList& arguments, const QString& locale,
                         const QByteArray& input, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    TProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}
