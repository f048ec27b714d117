// The monitoring outputs of the real program: -check as a monitoring server
// runs it, -metrics read by promtool, -csv read back by Python's csv module,
// and the example alert rules. promtool and python3 come with
// scripts/install-deps.sh; where they are missing the tests that need them
// are skipped, except in CI, where that is a failure.
#include "station/Utils.h"
#include "platform/DateTime.h"
#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <map>

namespace {

// A run without a display, in the given locale and no other ("LC_NUMERIC=de_DE.UTF-8":
// that one category only).
TRun RunOffscreen(const QString& program, const QStringList& arguments, const QString& locale = "C.UTF-8")
{
    QProcessEnvironment env = BareEnvironment();
    if (locale.contains('='))
        env.insert(locale.section('=', 0, 0), locale.section('=', 1));
    else
        env.insert("LC_ALL", locale);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return RunProgram(program, arguments, env);
}

// promtool reads the metrics to check from its standard input.
TRun CheckMetrics(const QString& promtool, const QString& file)
{
    return RunOffscreen("/bin/sh", {"-c", "exec \"$0\" check metrics < \"$1\"", promtool, file});
}

// A product name whose nominal time lies the given minutes before now.
QString ProductMinutesAgo(int minutes)
{
    const TDateTime nominal = NowUTC() - minutes / 1440.0;
    TDateParts d;
    TTimeParts t;
    TryDecodeDate(nominal, d);
    TryDecodeTime(nominal, t);
    return QString::asprintf("%04d%02d%02d%02d%02d-crm.grb", d.Year, d.Month, d.Day, t.Hour, t.Minute);
}

TEST(Monitoring, CheckAsAMonitoringServerRunsIt)
{
    struct Case
    {
        const char* what;
        int minutesAgo;  // of the newest product; < 0: an empty ledger
        int delaySeconds;
        QStringList options;
        int status;
        const char* begins;
        const char* contains = "";
    };
    const Case cases[] = {
        {"in time", 60, 600, {}, 0, "LAGWATCH OK - newest product ", ", 10.0 minutes late, 1.0 hours old; "},
        {"nearly late", 60, 2400, {}, 1, "LAGWATCH WARNING - newest product ", "40.0 minutes late (more than 35)"},
        {"late", 60, 3000, {}, 2, "LAGWATCH CRITICAL - newest product ", "50.0 minutes late (more than 45)"},
        {"own thresholds",
         60,
         3000,
         {"/warning=50", "-CRITICAL=60.5"},
         0,
         "LAGWATCH OK - ",
         "newest_delay=3000s;3000;3630 "},
        {"silent station", 30 * 60, 600, {}, 2, "LAGWATCH CRITICAL - no product since ", "(30.0 hours, more than 26)"},
        {"own maximum age", 30 * 60, 600, {"-max-age=48"}, 0, "LAGWATCH OK - ", "30.0 hours old"},
        {"nothing recorded", -1, 0, {"today-folder"}, 2, "LAGWATCH CRITICAL - no product recorded"},
        {"nothing watched",
         -1,
         0,
         {},
         3,
         "LAGWATCH UNKNOWN - the data folder ",
         "/data/ (the first argument) holds no day"},
        {"missing data folder", 60, 600, {"missing-folder"}, 3, "LAGWATCH UNKNOWN - the data folder "},
        {"metrics not written",
         60,
         600,
         {"-metrics=/proc/lagwatch.prom"},
         3,
         "LAGWATCH UNKNOWN - cannot write the metrics "},
        {"bad threshold", 60, 600, {"-warning=thirty"}, 3, "LAGWATCH UNKNOWN - option '-warning' needs a number"},
        {"warning above critical", 60, 600, {"-warning=50"}, 3, "LAGWATCH UNKNOWN - warning (50 minutes) is above"},
        {"CSV on standard output", 60, 600, {"-csv=-"}, 3, "LAGWATCH UNKNOWN - -csv=- cannot share standard output"},
    };
    REQUIRE_LOCALE("en_US.UTF-8");
    REQUIRE_LOCALE("de_DE.UTF-8");
    for (const char* locale : {"C", "C.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "LC_NUMERIC=de_DE.UTF-8"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " in " + locale);
            TempDir dir;
            dir.MakeDir("data");
            if (c.options.contains("today-folder"))
                dir.MakeDir("data/" + QDateTime::currentDateTimeUtc().date().toString("yyyy/MM/dd"));
            const QByteArray lines =
                c.minutesAgo < 0
                    ? QByteArray()
                    : "202001010000-crm.grb=9999\r\n" +
                          (ProductMinutesAgo(c.minutesAgo) + "=" + QString::number(c.delaySeconds) + "\r\n").toUtf8();
            const QString ledger = dir.Write("ledger.txt", lines);
            QStringList arguments{"-check"};
            const bool ownFolder = c.options.contains("missing-folder");
            arguments << (ownFolder ? dir.FilePath("missing-folder") : dir.FilePath("data")) << ledger;
            for (const QString& o : c.options)
                if (o != "missing-folder" && o != "today-folder")
                    arguments << o;
            const TRun run = RunOffscreen(LAGWATCH_BIN, arguments, locale);
            EXPECT_EQ(run.ExitCode, c.status) << run.Out.toStdString() << run.Err.toStdString();
            // One line, and it is the only thing on standard output.
            EXPECT_TRUE(run.Out.startsWith(c.begins)) << run.Out.toStdString();
            EXPECT_TRUE(run.Out.contains(c.contains)) << run.Out.toStdString() << "  wanted: " << c.contains;
            EXPECT_EQ(run.Out.count('\n'), 1) << run.Out.toStdString();
            EXPECT_TRUE(run.Out.endsWith('\n'));
            // Numbers with a decimal point, whatever the locale.
            EXPECT_FALSE(run.Out.contains(QRegularExpression("[0-9],[0-9]"))) << run.Out.toStdString();
            if (c.status < 3) {
                EXPECT_EQ(ReadBytes(ledger), lines);  // read and saved, nothing to add
            }
        }
    }
}

// A fresh install run by its timer, with no settings: the scheduled run goes
// on as before, but the check cannot vouch for a station that watches
// nothing, and the metrics say that the walk found no day folder.
TEST(Monitoring, AStationThatWatchesNothingIsUnknownToTheCheck)
{
    TempDir dir;
    const QString program = CopyProgram(dir.MakeDir("bin"));
    ASSERT_FALSE(program.isEmpty());
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("XDG_CONFIG_HOME", dir.FilePath("config"));
    env.insert("XDG_DATA_HOME", dir.FilePath("share"));
    const TRun check = RunProgram(program, {"-check"}, env);
    EXPECT_EQ(check.ExitCode, 3);
    EXPECT_EQ(check.Out, "LAGWATCH UNKNOWN - no data folder is set: no DATA-FOLDER argument and no ImagesPath in " +
                             dir.FilePath("config/Ashgrove/Datawarden.conf") + "\n");
    const QString metrics = dir.FilePath("lagwatch.prom");
    const TRun scheduled = RunProgram(program, {"-close", "-metrics=" + metrics}, env);
    EXPECT_EQ(scheduled.ExitCode, 0) << scheduled.Err.toStdString();
    EXPECT_TRUE(ReadBytes(metrics).contains("\nlagwatch_day_folders_found{folder=\"\",family=\"crm\"} 0\n"));
    EXPECT_TRUE(ReadBytes(metrics).contains("\nlagwatch_last_run_success{folder=\"\",family=\"crm\"} 1\n"));
}

// A ledger of a product every 15 minutes from 31 days back up to newestMinutes
// ago, each 5 minutes late and the newest newestDelay seconds, but for the
// hours 3 to 4 and 20 days 3 to 4 hours before now.
QByteArray QuarterHourLedger(int newestMinutes, int newestDelay)
{
    const qint64 quarter = 15 * 60000, now = QDateTime::currentMSecsSinceEpoch();
    const qint64 newest = (now - newestMinutes * 60000LL) / quarter * quarter;
    QByteArray lines;
    for (qint64 ms = (now / 86400000 - 31) * 86400000; ms <= newest; ms += quarter) {
        const qint64 ago = (now - ms) % 86400000 / 60000, days = (now - ms) / 86400000;
        if ((days == 0 || days == 20) && ago >= 180 && ago < 240)
            continue;
        lines += QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString("yyyyMMddhhmm").toUtf8() +
                 "-crm.grb=" + QByteArray::number(ms == newest ? newestDelay : 300) + "\r\n";
    }
    return lines;
}

// The completeness switches reach the -check line and the metrics: the
// schedule, the time after which a product counts as missing, the limits,
// beside a late or silent newest product, and the 30-day window.
TEST(Monitoring, CompletenessFromTheCommandLine)
{
    // A slot at a quarter hour between 30 and 45 minutes ago: none due in 24 hours.
    const QString notDue =
        QDateTime::fromMSecsSinceEpoch((QDateTime::currentMSecsSinceEpoch() - 30 * 60000) / (15 * 60000) * (15 * 60000),
                                       Qt::UTC)
            .toString("hh:mm");
    struct Case
    {
        const char* what;
        QStringList options;
        int newestMinutes, newestDelay, status;
        QStringList contains;
    };
    const Case cases[] = {
        {"learned schedule", {}, 20, 300, 2, {"; 4 products missing in the last 24 hours: ", "missing_24h=4;0;2;0;"}},
        {"hourly, own limits",
         {"-expect=60m", "-missing-warning=2", "-missing-critical=4"},
         20,
         300,
         0,
         {"; 1 product missing in the last 24 hours: ", "missing_24h=1;1;3;0;"}},
        {"missing after 5 hours", {"-missing-after=300"}, 20, 300, 0, {"; no product missing in the last 24 hours ("}},
        {"nothing due", {"-expect=" + notDue}, 20, 300, 0, {"(0 expected)", " on_time_24h=U;;;0;1"}},
        {"nearly late and missing",
         {"-critical=60", "-missing-critical=4"},
         20,
         3000,
         2,
         {"50.0 minutes late (more than 35)", "; 4 products missing"}},
        {"silent and missing",
         {},
         30 * 60,
         300,
         2,
         {"LAGWATCH CRITICAL - no product since ", " products missing in the"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const QString ledger = dir.Write("ledger.txt", QuarterHourLedger(c.newestMinutes, c.newestDelay));
        const TRun run =
            RunOffscreen(LAGWATCH_BIN, QStringList{"-check", dir.MakeDir("data"), ledger} + c.options, "C");
        EXPECT_EQ(run.ExitCode, c.status) << run.Out.toStdString() << run.Err.toStdString();
        for (const QString& text : c.contains)
            EXPECT_TRUE(run.Out.contains(text)) << run.Out.toStdString() << "  wanted: " << text.toStdString();
    }
    // The gap 20 days ago counts in the 30 days only.
    TempDir dir;
    const QString data = dir.MakeDir("data");
    const QString ledger = dir.Write("ledger.txt", QuarterHourLedger(20, 300));
    const TRun run = RunOffscreen(LAGWATCH_BIN, {data, ledger, "-close", "-metrics=" + dir.FilePath("m.prom")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QByteArray metrics = ReadBytes(dir.FilePath("m.prom"));
    for (const auto& [window, missing] : {std::pair("24h", "4"), std::pair("7d", "4"), std::pair("30d", "8")})
        EXPECT_TRUE(metrics.contains("lagwatch_products_missing{folder=\"" + QFile::encodeName(data) +
                                     "/\",family=\"crm\",window=\"" + window + "\"} " + missing + "\n"))
            << window << "\n"
            << metrics.toStdString();
}

TEST(Monitoring, MetricsOfARealRunPassPromtool)
{
    REQUIRE_TOOL(promtool, "promtool");
    TempDir dir;
    const QString data = dir.FilePath("data station \"A\"");
    ASSERT_EQ(RunOffscreen(DEMO_DATA_BIN, {"--days", "8", "--seed", "3", data}).ExitCode, 0);
    const QString ledger = dir.Write("ledger.txt", "");
    const QString metrics = dir.FilePath("textfile/lagwatch.prom");
    dir.MakeDir("textfile");
    REQUIRE_LOCALE("de_DE.UTF-8");
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        SCOPED_TRACE(locale);
        const TRun run = RunOffscreen(LAGWATCH_BIN, {data, ledger, "-close", "-metrics=" + metrics}, locale);
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        const QByteArray text = ReadBytes(metrics);
        const TRun check = CheckMetrics(promtool, metrics);
        EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();
        EXPECT_EQ(check.Out + check.Err, "") << text.toStdString();
        EXPECT_TRUE(text.contains("lagwatch_last_run_success{folder=\"" +
                                  QFile::encodeName(data).replace("\"", "\\\"") + "/\",family=\"crm\"} 1\n"))
            << text.toStdString();
        EXPECT_TRUE(text.contains("lagwatch_ledger_entries{")) << text.toStdString();
    }
    // A failed run still leaves its metrics, saying it failed.
    const TRun failed = RunOffscreen(LAGWATCH_BIN, {dir.FilePath("missing"), ledger, "-close", "-metrics=" + metrics});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_TRUE(ReadBytes(metrics).contains("lagwatch_last_run_success{folder=\"" +
                                           QFile::encodeName(dir.FilePath("missing")) + "/\",family=\"crm\"} 0\n"));
    // The golden file of the unit tests, whose folder label needs every escape.
    const TRun golden = CheckMetrics(promtool, LAGWATCH_SOURCE_DIR "/tests/app/golden/lagwatch.prom");
    EXPECT_EQ(golden.ExitCode, 0) << golden.Out.toStdString() << golden.Err.toStdString();
}

TEST(Monitoring, ExampleAlertRulesPassPromtool)
{
    REQUIRE_TOOL(promtool, "promtool");
    const TRun check = RunOffscreen(promtool, {"check", "rules", LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-alerts.yml",
                                               LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-rules.yml"});
    EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();
    EXPECT_TRUE(check.Out.contains("SUCCESS: 12 rules found")) << check.Out.toStdString();
    EXPECT_TRUE(check.Out.contains("SUCCESS: 20 rules found")) << check.Out.toStdString();
    // The stations' own alerts, and those of a network of three.
    const TRun test = RunOffscreen(promtool, {"test", "rules", LAGWATCH_SOURCE_DIR "/tests/e2e/lagwatch-alerts-test.yml",
                                              LAGWATCH_SOURCE_DIR "/tests/e2e/lagwatch-fleet-test.yml"});
    EXPECT_EQ(test.ExitCode, 0) << test.Out.toStdString() << test.Err.toStdString();
}

TEST(Monitoring, CsvReadBackByPython)
{
    REQUIRE_TOOL(python, "python3");
    TempDir dir;
    dir.MakeDir("data");
    // A hand-edited ledger, as it is loaded (the program keeps it sorted).
    const QByteArray lines = "202106231200-crm.grb=413\r\n"
                             "202106231215,copy-crm.grb=-7\r\n"
                             "202106231230 \"quoted\"-crm.grb=12x\r\n"
                             "202106232400-Ähtäri.grb=2101\r\n"
                             "note without separator\r\n"
                             "remark=a, b\r\n";
    const QString ledger = dir.Write("ledger.txt", lines);
    const QString csv = dir.FilePath("ledger.csv");
    const TRun toFile = RunOffscreen(LAGWATCH_BIN, {dir.FilePath("data"), ledger, "-close", "-csv=" + csv});
    ASSERT_EQ(toFile.ExitCode, 0) << toFile.Err.toStdString();
    const TRun toStdout = RunOffscreen(LAGWATCH_BIN, {dir.FilePath("data"), ledger, "-csv=-", "-close"});
    ASSERT_EQ(toStdout.ExitCode, 0) << toStdout.Err.toStdString();
    EXPECT_EQ(toStdout.Out.toUtf8(), ReadBytes(csv));  // the CSV alone: no summary in it

    const QString script = "import csv, json, sys\n"
                           "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                           "    print(json.dumps(list(csv.reader(f, strict=True))))\n";
    const TRun read = RunOffscreen(python, {"-c", script, csv});
    ASSERT_EQ(read.ExitCode, 0) << read.Err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(read.Out.toUtf8()).array();
    const std::vector<QStringList> expected = {
        {"family", "product", "nominal_time_utc", "delay_seconds"},
        {"crm", "202106231200-crm.grb", "2021-06-23T12:00:00Z", "413"},
        {"crm", "202106231215,copy-crm.grb", "2021-06-23T12:15:00Z", "-7"},
        {"crm", "202106231230 \"quoted\"-crm.grb", "2021-06-23T12:30:00Z", ""},
        {"crm", "202106232400-Ähtäri.grb", "2021-06-24T00:00:00Z", "2101"},
        {"crm", "note without separator", "", ""},
        {"crm", "remark", "", ""},
    };
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(expected.size())) << read.Out.toStdString();
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(rows[static_cast<qsizetype>(i)].toVariant().toStringList(), expected[i]) << i;
    // Every record ends with CR LF.
    EXPECT_EQ(ReadBytes(csv).count("\r\n"), static_cast<qsizetype>(expected.size()));
}

TEST(Monitoring, AnOutputThatCannotBeWrittenCostsNeitherTheLedgerNorTheOtherOutput)
{
    TempDir dir;
    const QString data = dir.FilePath("data");
    const QString manifest = dir.FilePath("manifest.txt");
    ASSERT_EQ(RunOffscreen(DEMO_DATA_BIN, {"--days", "3", "--manifest", manifest, data}).ExitCode, 0);
    const int products = ManifestProducts(manifest);
    const QString ledger = dir.Write("ledger.txt", "");
    const QString metrics = dir.FilePath("lagwatch.prom");
    for (const auto& [option, said] : {std::pair("-csv=", "CSV"), std::pair("-report=", "report")}) {
        dir.Write("ledger.txt", "");
        QFile::remove(metrics);
        const TRun run = RunOffscreen(
            LAGWATCH_BIN, {data, ledger, "-close", option + dir.FilePath("no/such/folder.csv"), "-metrics=" + metrics});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, QStringLiteral("lagwatch: cannot write the %1 %2: No such file or directory\n")
                               .arg(said, dir.FilePath("no/such/folder.csv")));
        EXPECT_EQ(ReadBytes(ledger).count("\r\n"), products);
        EXPECT_TRUE(ReadBytes(metrics).contains("lagwatch_ledger_entries{folder=\"" + QFile::encodeName(data) +
                                               "/\",family=\"crm\"} " + QByteArray::number(products) + "\n"));
    }
}

}  // namespace
