// The three monitoring outputs of a run (-csv, -metrics, -check) as files
// and lines: golden files on a fixed ledger at a fixed time, and the exit
// statuses when something fails.
#include "report/LedgerCsv.h"
#include "report/Metrics.h"
#include "app/RunOutputs.h"
#include "app/StationHistory.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString GoldenPath(const char* name) { return QStringLiteral(LAGWATCH_GOLDEN_DIR "/") + QLatin1String(name); }

// A captured standard stream.
class TCapture
{
public:
    TCapture() : FFile(std::tmpfile()) {}
    ~TCapture() { std::fclose(FFile); }
    std::FILE* File() const { return FFile; }
    QString Text() const
    {
        std::fflush(FFile);
        std::rewind(FFile);
        QByteArray bytes;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, FFile)) > 0;)
            bytes.append(buffer, static_cast<qsizetype>(n));
        return QString::fromUtf8(bytes);
    }

private:
    std::FILE* FFile;
};

// A hand-edited ledger: names that need quoting, a line without '=', a value
// that is no integer, hour 24, a delay of more than a day; the newest product
// is late.
TSortedStringList FixedLedger()
{
    TSortedStringList ledger;
    ledger.Assign({
        "202106211200-crm.grb=413",
        "202106212400-crm.grb=2101",
        "202106221200-crm.grb=90000",
        "202106221315-crm.grb=-12",
        "202106231200-crm.grb=2701",
        "202106231200,copy-crm.grb=600",
        "202106231300 \"quoted\" crm.grb=+0042",
        "202106231315-crm.grb=",
        "notes without separator",
        "202106231330 Ähtäri.grb=300",
        "202106231400-crm.grb=2760",
    });
    return ledger;
}

// The delays of the slots earlier runs counted: at bounds and beyond a day.
const TDelayHistogram& FixedDelays()
{
    static const TDelayHistogram histogram = [] {
        TDelayHistogram h;
        for (const int64_t seconds : {0, 60, 413, 2101, 2701, 90000})
            h.Observe(seconds);
        return h;
    }();
    return histogram;
}

TRunRecord FixedRun(const TSortedStringList& ledger)
{
    TRunRecord run;
    run.DataFolder = "/srv/st\"ation\\data\n/";
    TRunFamily crm;
    crm.Rules = FamilyRulesOf(BuiltInCrmFamily());  // the CRM products alone, as without a families file
    crm.Ledger = &ledger;
    crm.ProductsRecorded = 3;
    crm.Delays = &FixedDelays();
    run.Families = {crm};
    run.LedgerFile = "/srv/ledger.txt";
    run.DayFoldersFound = 2;
    run.PassSeconds = 0.25;
    TDateTime day = 0, time = 0;
    TryEncodeDate(2021, 6, 23, day);
    TryEncodeTime(14, 30, 0, 0, time);
    run.Now = day + time;
    return run;
}

TEST(MonitoringOutputs, GoldenFilesOfTheThreeOutputs)
{
    TempDir dir;
    const TSortedStringList ledger = FixedLedger();
    TCommandLine line;
    line.Check = true;
    line.CsvFile = dir.FilePath("ledger.csv");
    line.MetricsFile = dir.FilePath("lagwatch.prom");
    TCapture out, err;
    const int status = FinishRun(line, FixedRun(ledger), out.File(), err.File());
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err.Text(), "");
    if (qEnvironmentVariableIsSet("LAGWATCH_UPDATE_GOLDEN")) {
        // After a deliberate change of an output: rewrite the files, then read the diff.
        for (const char* name : {"check.txt", "ledger.csv", "lagwatch.prom"})
            QFile(GoldenPath(name)).remove();
        QFile::copy(*line.CsvFile, GoldenPath("ledger.csv"));
        QFile::copy(*line.MetricsFile, GoldenPath("lagwatch.prom"));
        QFile check(GoldenPath("check.txt"));
        check.open(QIODevice::WriteOnly);
        check.write(out.Text().toUtf8());
    }
    EXPECT_EQ(out.Text(), QString::fromUtf8(ReadBytes(GoldenPath("check.txt"))));
    EXPECT_EQ(ReadBytes(*line.CsvFile), ReadBytes(GoldenPath("ledger.csv")));
    EXPECT_EQ(ReadBytes(*line.MetricsFile), ReadBytes(GoldenPath("lagwatch.prom")));
}

// Six days of a product every 15 minutes up to 2026-12-07 12:00, with gaps
// (three this morning, one three days ago), late and very late products, a
// product off the schedule and one without an integer delay.
TSortedStringList CompletenessLedger()
{
    QStringList lines;
    for (int day = 2; day <= 7; ++day)
        for (int minute = 0; minute < 1440 && (day < 7 || minute <= 720); minute += 15) {
            const QString time = QString::asprintf("202612%02d%02d%02d", day, minute / 60, minute % 60);
            if (time == "202612070415" || time == "202612070430" || time == "202612070500" || time == "202612051000")
                continue;
            const int i = day * 96 + minute / 15;
            lines << time + "-crm.grb=" + QString::number(i % 29 == 0 ? 3000 : i % 11 == 0 ? 2400 : 60 + i * 37 % 1500);
        }
    lines << "202612061207-crm.grb=100"
          << "202612070600-crm.grb=late?";
    TSortedStringList ledger;
    ledger.Assign(lines);
    return ledger;
}

TEST(MonitoringOutputs, GoldenFilesOfTheCompletenessFigures)
{
    TempDir dir;
    const TSortedStringList ledger = CompletenessLedger();
    TRunRecord run = FixedRun(ledger);
    TDateTime day = 0, time = 0;
    TryEncodeDate(2026, 12, 7, day);
    TryEncodeTime(12, 0, 0, 0, time);
    run.Now = day + time;
    run.DataFolder = "/srv/station/";
    TCommandLine line;
    line.Check = true;
    line.ReportFile = dir.FilePath("report.csv");
    line.MetricsFile = dir.FilePath("lagwatch.prom");
    TCapture out, err;
    EXPECT_EQ(FinishRun(line, run, out.File(), err.File()), 2);  // three missing
    EXPECT_EQ(err.Text(), "");
    const std::pair<const char*, QString> files[] = {
        {"completeness-report.csv", *line.ReportFile},
        {"completeness.prom", *line.MetricsFile},
    };
    if (qEnvironmentVariableIsSet("LAGWATCH_UPDATE_GOLDEN")) {
        for (const auto& [name, path] : files) {
            QFile::remove(GoldenPath(name));
            QFile::copy(path, GoldenPath(name));
        }
        QFile check(GoldenPath("completeness-check.txt"));
        check.open(QIODevice::WriteOnly);
        check.write(out.Text().toUtf8());
    }
    EXPECT_EQ(out.Text(), QString::fromUtf8(ReadBytes(GoldenPath("completeness-check.txt"))));
    for (const auto& [name, path] : files)
        EXPECT_EQ(ReadBytes(path), ReadBytes(GoldenPath(name))) << name;

    // The same report on standard output, and nothing else there.
    TCommandLine toStdout;
    toStdout.ReportFile = "-";
    TCapture report, reportErr;
    EXPECT_EQ(FinishRun(toStdout, run, report.File(), reportErr.File()), 0);
    EXPECT_EQ(report.Text().toUtf8(), ReadBytes(*line.ReportFile));
}

TEST(MonitoringOutputs, FailuresAndTheExitStatus)
{
    struct Case
    {
        const char* what;
        bool check;
        bool metricsWritable, csvWritable, saved, chart;
        QString folderProblem;
        int signal;
        int status;
        const char* checkLine;  // what the line begins with; nullptr without -check
        int errLines;
    };
    const Case cases[] = {
        {"all written", false, true, true, true, true, {}, 0, 0, nullptr, 0},
        {"metrics file cannot be written", false, false, true, true, true, {}, 0, 1, nullptr, 1},
        {"CSV file cannot be written", false, true, false, true, true, {}, 0, 1, nullptr, 1},
        {"neither can", false, false, false, true, true, {}, 0, 1, nullptr, 2},
        {"ledger not saved", false, true, true, false, true, {}, 0, 1, nullptr, 0},
        {"check: late product", true, true, true, true, true, {}, 0, 2, "LAGWATCH CRITICAL - newest product", 0},
        {"check: metrics not written",
         true,
         false,
         true,
         true,
         true,
         {},
         0,
         3,
         "LAGWATCH UNKNOWN - cannot write the metrics ",
         1},
        {"check: ledger not saved",
         true,
         true,
         true,
         false,
         true,
         {},
         0,
         3,
         "LAGWATCH UNKNOWN - the ledger /srv/ledger.txt was not saved",
         0},
        {"check: chart not written",
         true,
         true,
         true,
         true,
         false,
         {},
         0,
         3,
         "LAGWATCH UNKNOWN - the chart image /x/chart.png was not written",
         0},
        {"check: data folder", true, true, true, true, true, "the data folder /x/ does not exist", 0, 3,
         "LAGWATCH UNKNOWN - the data folder /x/ does not exist", 0},
        {"check: stopped", true, true, true, true, true, {}, 15, 3, "LAGWATCH UNKNOWN - stopped by signal 15", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const TSortedStringList ledger = FixedLedger();
        TRunRecord run = FixedRun(ledger);
        run.LedgerSaved = c.saved;
        run.ChartWritten = c.chart;
        run.DataFolderProblem = c.folderProblem;
        run.StopSignal = c.signal;
        TCommandLine line;
        line.Check = c.check;
        if (!c.chart)
            line.PngFile = "/x/chart.png";
        line.MetricsFile = c.metricsWritable ? dir.FilePath("m.prom") : dir.FilePath("missing/m.prom");
        line.CsvFile = c.csvWritable ? dir.FilePath("l.csv") : dir.Path();  // a folder is no file
        TCapture out, err;
        EXPECT_EQ(FinishRun(line, run, out.File(), err.File()), c.status);
        EXPECT_EQ(err.Text().count('\n'), c.errLines) << err.Text().toStdString();
        if (c.checkLine) {
            EXPECT_TRUE(out.Text().startsWith(QLatin1String(c.checkLine))) << out.Text().toStdString();
            EXPECT_EQ(out.Text().count('\n'), 1);
        } else {
            EXPECT_EQ(out.Text(), "");
        }
        // Whatever failed, what could be written was, and the metrics say whether the run succeeded.
        EXPECT_EQ(QFileInfo(dir.FilePath("l.csv")).isFile(), c.csvWritable);
        if (c.metricsWritable) {
            const bool success = c.csvWritable && c.saved && c.chart && c.folderProblem.isEmpty() && !c.signal;
            EXPECT_TRUE(ReadBytes(dir.FilePath("m.prom"))
                            .contains(QByteArray("lagwatch_last_run_success{folder=\"/srv/st\\\"ation\\\\data\\n/\","
                                                 "family=\"crm\"} ") +
                                      (success ? "1" : "0")));
        }
    }
}

TEST(MonitoringOutputs, CsvToStandardOutput)
{
    const TSortedStringList ledger = FixedLedger();
    TCommandLine line;
    line.CsvFile = "-";
    TCapture out, err;
    EXPECT_EQ(FinishRun(line, FixedRun(ledger), out.File(), err.File()), 0);
    EXPECT_EQ(out.Text().toUtf8(), ReadBytes(GoldenPath("ledger.csv")));
}

TEST(MonitoringOutputs, CsvFieldsAreQuotedWhereNeeded)
{
    struct Case
    {
        const char* text;
        const char* field;
    };
    const Case cases[] = {
        {"202106231200-crm.grb", "202106231200-crm.grb"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"line\rbreak", "\"line\rbreak\""},
        {"line\nbreak", "\"line\nbreak\""},
        {" leading", "\" leading\""},
        {"trailing ", "\"trailing \""},
        {"in ner", "in ner"},
        {"Ähtäri;x'y", "Ähtäri;x'y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CsvField(QString::fromUtf8(c.text)), QString::fromUtf8(c.field)) << c.text;
}

TEST(MonitoringOutputs, LabelValuesAreEscaped)
{
    struct Case
    {
        const char* value;
        const char* escaped;
    };
    const Case cases[] = {
        {"/srv/data/", "/srv/data/"},
        {"C:\\data\\", "C:\\\\data\\\\"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"two\nlines", "two\\nlines"},
        {"\\n", "\\\\n"},
        {"Ähtäri {x}", "Ähtäri {x}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EscapeLabelValue(QString::fromUtf8(c.value)), QString::fromUtf8(c.escaped)) << c.value;
}

TEST(MonitoringOutputs, NoProductMeansTimestampZeroAndNoDelay)
{
    TRunMetrics run{"/d/", 44370.5, 0, true};
    TFamilyReading crm;
    crm.Name = "crm";
    const QByteArray text = MetricsText(run, {crm});
    EXPECT_TRUE(text.contains("lagwatch_newest_product_timestamp_seconds{folder=\"/d/\",family=\"crm\"} 0\n"));
    EXPECT_FALSE(text.contains("lagwatch_newest_product_delay_seconds"));
    EXPECT_TRUE(text.contains("lagwatch_last_run_timestamp_seconds{folder=\"/d/\",family=\"crm\"} 1624449600\n"));
}

}  // namespace
