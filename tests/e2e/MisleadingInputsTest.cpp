// Inputs that must never make a station look healthy, in the real program:
// a product named in the future, a clock that skews the delays, a folder the
// run may not list, a ledger without products. Run as the user nobody when
// the tests run as root, so that permissions bind.
#include "platform/FileTimes.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct TInputCase
{
    const char* What;
    const char* Families;  // the families file, or null
    // Below the data folder; "~" marks one last written 2 hours after its
    // creation, "=" the ledger's text.
    QStringList Files;
    const char* Locked;  // a folder below the data folder no one may list ("." the data folder), or null
    int ExitCode;
    // What the check line ("out:"), standard error ("err:", "!err:" not) and the metrics ("prom:") hold.
    QStringList Wanted;
};

// Today's day folder (%D), a product time of 30 minutes ago (%T) and one of
// 30 days ahead (%F), UTC; the data folder (%P).
QString Fill(QString text, const QString& data)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return text.replace("%D", now.toString("yyyy/MM/dd"))
        .replace("%T", now.addSecs(-1800).toString("yyyyMMddhhmm"))
        .replace("%F", now.addDays(30).toString("yyyyMMddhhmm"))
        .replace("%P", data);
}

TEST(MisleadingInputs, NoInputMakesAStationLookHealthy)
{
    const char* seg = "[seg]\nfolder = seg/%Y/%m/%d\npattern = S{time:%Y%m%d%H%M}\n";
    const char* flat = "[crm]\nenabled = false\n[flat]\nfolder = flat\npattern = F{time:%Y%m%d%H%M}.nc\n";
    const TInputCase cases[] = {
        {"a CRM product named in the future",
         nullptr,
         {"%D/%T-crm.grb", "%D/%F-crm.grb"},
         nullptr,
         0,
         {"out:LAGWATCH OK - newest product %T-crm.grb, ", "out:; 1 product named in the future;",
          "out: future_products=1", "err:%P%D/%F-crm.grb is named 720.0 hours ahead of the clock",
          "prom:lagwatch_products_future{folder=\"%P\",family=\"crm\"} 1\n"}},
        {"a flat family's product named in the future",
         flat,
         {"flat/F%T.nc", "flat/F%F.nc"},
         nullptr,
         0,
         {"out:LAGWATCH OK - newest product F%T.nc, ", "out: future_products=1", "err:%Pflat/F%F.nc is named",
          "prom:lagwatch_products_future{folder=\"%P\",family=\"flat\"} 1\n"}},
        {"clock skew",
         nullptr,
         {"~%D/%T-crm.grb"},
         nullptr,
         1,
         {"out:LAGWATCH WARNING - newest product %T-crm.grb, clock skew: written 120.0 minutes after it was created",
          "out:; 1 product with clock skew in the last 24 hours, their delays not measured;", "out: clock_skew_24h=1",
          "err:%P%D/%T-crm.grb was last written 120.0 minutes after it was created (clock skew)",
          "prom:lagwatch_products_clock_skew{folder=\"%P\",family=\"crm\",window=\"24h\"} 1\n",
          "prom:lagwatch_product_delay_seconds_count{folder=\"%P\",family=\"crm\",window=\"24h\"} 0\n"}},
        {"a day folder no one may list",
         nullptr,
         {"%D/%T-crm.grb"},
         "%D",
         3,
         {"out:LAGWATCH UNKNOWN - cannot list the folder %P%D/: Permission denied\n",
          "err:cannot list the folder %P%D/: Permission denied",
          "prom:lagwatch_last_run_success{folder=\"%P\",family=\"crm\"} 0\n"}},
        {"a family's day folder no one may list",
         seg,
         {"%D/%T-crm.grb", "seg/%D/S%T"},
         "seg/%D",
         3,
         {"out:LAGWATCH UNKNOWN - seg UNKNOWN: cannot list the folder %Pseg/%D/: Permission denied; 1 of 2 families OK",
          "prom:lagwatch_last_run_success{folder=\"%P\",family=\"seg\"} 0\n",
          "prom:lagwatch_last_run_success{folder=\"%P\",family=\"crm\"} 1\n"}},
        {"a data folder no one may read",
         seg,
         {"seg/%D/S%T"},
         ".",
         3,
         {"out:LAGWATCH UNKNOWN - cannot read the data folder %P: Permission denied\n", "!err:does not exist",
          "!err:cannot list"}},
        {"a ledger without products",
         nullptr,
         {"=CRM-notes.txt=12\r\nstation-log=7\r\n"},
         nullptr,
         3,
         {"out:LAGWATCH UNKNOWN - the data folder %P (the first argument) holds no day folder"}},
    };
    TempDir dir;
    const QString program = CopyProgram(dir.MakeDir("bin"));
    ASSERT_FALSE(program.isEmpty());
    int n = 0;
    for (const TInputCase& c : cases) {
        SCOPED_TRACE(c.What);
        const QString folder = QString("case%1/").arg(++n), base = dir.FilePath(folder);
        const QString data = dir.MakeDir(folder + "data") + '/';
        QString ledger = dir.Write(folder + "ledger.txt", "");
        for (const QString& file : c.Files) {
            if (file.startsWith('=')) {
                dir.Write(folder + "ledger.txt", file.mid(1).toUtf8());
                continue;
            }
            const bool skewed = file.startsWith('~');
            const QString path = dir.Write(folder + "data/" + Fill(file.mid(skewed ? 1 : 0), data), "");
            const auto times = ReadFileTimes(QFile::encodeName(path));
            ASSERT_TRUE(times && SetLastWriteMs(path, times->CreationMs + (skewed ? 7200000 : -60000)));
        }
        QStringList arguments{data, ledger, "-check", "-metrics=" + base + "m.prom"};
        if (c.Families)
            arguments << "-families=" + dir.Write(folder + "families.conf", c.Families);
        GiveToNobody(base);
        const QByteArray locked = QFile::encodeName(c.Locked ? data + Fill(c.Locked, data) : QString());
        ASSERT_TRUE(!c.Locked || ::chmod(locked.constData(), 0) == 0);
        QProcessEnvironment env = BareEnvironment();
        env.insert("XDG_CONFIG_HOME", base + "config");
        env.insert("HOME", "/tmp");
        const QStringList asNobody{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program};
        const TRun run =
            IsRoot() ? RunProgram("setpriv", asNobody + arguments, env) : RunProgram(program, arguments, env);
        if (c.Locked)
            ::chmod(locked.constData(), 0755);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Out.toStdString() << run.Err.toStdString();
        QFile metrics(base + "m.prom");
        const QString prom = metrics.open(QIODevice::ReadOnly) ? QString::fromUtf8(metrics.readAll()) : QString();
        for (const QString& wanted : c.Wanted) {
            const QString where = wanted.section(':', 0, 0), text = Fill(wanted.section(':', 1), data);
            const QString& in = where == "out" ? run.Out : where == "prom" ? prom : run.Err;
            EXPECT_EQ(in.contains(text), where != "!err") << in.toStdString() << "\n  wanted: " << wanted.toStdString();
        }
    }
}

}  // namespace
