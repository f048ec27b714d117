// What an unattended run loads: a monitoring server's check and a scheduled
// run without a picture start no GUI (no platform plugin, no font
// configuration), whatever display is named; a picture does need one.
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

// The files the program opened, as strace -e openat lists them.
QStringList OpenedFiles(const QString& strace, const QStringList& arguments, const QString& display, int& status)
{
    TempDir dir;
    const QString trace = dir.FilePath("trace.txt");
    QProcessEnvironment env = BareEnvironment();
    // A sanitized program's leak check cannot run under a tracer.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    if (!display.isEmpty())
        env.insert("DISPLAY", display);
    // LeakSanitizer cannot run under ptrace: a sanitized program under strace
    // would die at its exit.
    env.insert("ASAN_OPTIONS",
               env.value("ASAN_OPTIONS") + (env.contains("ASAN_OPTIONS") ? ":" : "") + "detect_leaks=0");
    const TRun run =
        RunProgram(strace, QStringList{"-f", "-e", "trace=openat", "-o", trace, LAGWATCH_BIN} + arguments, env);
    status = run.ExitCode;
    QFile file(trace);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << run.Err.toStdString();
    QStringList opened;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.contains("openat(") && !line.contains("ENOENT"))
            opened.append(QString::fromUtf8(line));
    return opened;
}

bool LoadsGui(const QStringList& opened)
{
    for (const QString& line : opened)
        if (line.contains("plugins/platforms/") || line.contains("fonts.conf") || line.contains("/fontconfig/conf.d"))
            return true;
    return false;
}

TEST(UnattendedStart, TheCheckAndAScheduledRunLoadNoGui)
{
    REQUIRE_TOOL(strace, "strace");
    TempDir dir;
    const QString data = dir.MakeDir("data");
    dir.Write("data/2021/06/23/202106231200-crm.grb", "GRIB");
    const QString ledger = dir.Write("ledger.txt", "202106221200-crm.grb=600\r\n");
    struct Case
    {
        const char* what;
        QStringList options;
        QString display;
        bool gui;
        int status;  // the check's: the newest product is years old, CRITICAL
    };
    const Case cases[] = {
        {"check", {"-check"}, "", false, 2},
        {"check with a display named", {"-check"}, ":97", false, 2},
        {"scheduled run with metrics", {"-close", "-metrics=" + dir.FilePath("m.prom")}, "", false, 0},
        {"a picture needs the GUI", {"-close", "-png=" + dir.FilePath("c.png")}, "", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int status = -1;
        const QStringList opened = OpenedFiles(strace, QStringList{data, ledger} + c.options, c.display, status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(LoadsGui(opened), c.gui) << opened.join('\n').toStdString();
    }
}

TEST(UnattendedStart, WithoutItsDesktopProgramTheProgramStillRecordsAndSaysSo)
{
    TempDir dir;
    const QString data = dir.MakeDir("data");
    const QDate today = QDateTime::currentDateTimeUtc().date();
    const QString product = today.toString("yyyyMMdd") + "0000-crm.grb";
    dir.Write("data/" + today.toString("yyyy/MM/dd/") + product, "GRIB");
    const QString notAProgram = dir.Write("not-a-program", "neither a program nor a script\n");
    ASSERT_TRUE(QFile::setPermissions(notAProgram, QFile::permissions(notAProgram) | QFile::ExeOwner));
    const struct
    {
        QString desktop;
        const char* why;
    } cases[] = {
        {dir.FilePath("nowhere/lagwatch-desktop"), "the desktop program is not installed"},
        {notAProgram, "cannot start the desktop program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const QString ledger = dir.Write("ledger.txt", "");
        QProcessEnvironment env = BareEnvironment();
        env.insert("LAGWATCH_DESKTOP", c.desktop);
        const TRun run = RunProgram(LAGWATCH_BIN, {data, ledger, "-close", "-png=" + dir.FilePath("c.png")}, env);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Err.contains(c.why)) << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.FilePath("c.png")));
        QFile saved(ledger);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_TRUE(saved.readAll().startsWith((product + "=").toUtf8())) << "the pass ran and the ledger was saved";
    }
}

}  // namespace
