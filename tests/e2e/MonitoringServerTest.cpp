// A real monitoring system end to end: two stations' runs write their metrics
// into a node exporter's text-file folder, a real node exporter serves them,
// a real Prometheus scrapes it every second with the shipped alert rules, and
// its HTTP API shows the missing-products alert firing for the station with
// gaps only. Both servers listen on free loopback ports and are stopped
// whatever happens; without them the test skips, except in CI. The test waits
// for what the servers show, never for a time: its bounds only end a hang.
#include "report/StationStatus.h"
#include "station/Utils.h"
#include "platform/DateTime.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/FamilyStation.h"
#include "tests/e2e/MonitoringServers.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <array>

namespace {

// A station tree with a product every 15 minutes from four days before today
// up to 20 minutes ago, each written 5 minutes after its nominal time (a
// delay of about 300 s), but for the products whose nominal time lies in
// [gapFrom, gapTo).
void WriteStation(const QString& folder, int64_t nowMs, int64_t gapFrom, int64_t gapTo)
{
    constexpr int64_t quarter = 15 * 60000;
    const int64_t first = (nowMs / 86400000 - 4) * 86400000;
    for (int64_t ms = first; ms <= nowMs - 20 * 60000; ms += quarter) {
        if (ms >= gapFrom && ms < gapTo)
            continue;
        TDateParts d;
        TTimeParts t;
        const TDateTime nominal = UnixMsToDateTime(ms);
        TryDecodeDate(nominal, d);
        TryDecodeTime(nominal, t);
        const QString day = QString::asprintf("%04d/%02d/%02d/", d.Year, d.Month, d.Day);
        const QString file =
            folder + day + QString::asprintf("%04d%02d%02d%02d%02d-crm.grb", d.Year, d.Month, d.Day, t.Hour, t.Minute);
        QDir().mkpath(folder + day);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
        f.close();
        ASSERT_TRUE(SetLastWriteMs(file, nowMs - 300000));
    }
}

// A node exporter serving the text files of a folder, ready once they hold
// mark, and a Prometheus scraping it every second with the shipped rules.
struct TMonitoringServers
{
    TMonitoringServers(const QString& prometheus, const QString& exporter, TempDir& dir, const QString& textfiles,
                       const QByteArray& mark)
        : NodeExporter(
              exporter,
              [&](int port) {
                  return QStringList{QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                     "--collector.disable-defaults", "--collector.textfile",
                                     "--collector.textfile.directory=" + textfiles};
              },
              "/metrics", mark, dir.FilePath("node-exporter.log")),
          Config(dir.Write("prometheus.yml", QStringLiteral("global:\n"
                                                            "  scrape_interval: 1s\n"
                                                            "  evaluation_interval: 1s\n"
                                                            "rule_files:\n"
                                                            "  - \"%1/lagwatch-rules.yml\"\n"
                                                            "  - \"%1/lagwatch-alerts.yml\"\n"
                                                            "scrape_configs:\n"
                                                            "  - job_name: stations\n"
                                                            "    static_configs:\n"
                                                            "      - targets: [\"127.0.0.1:%2\"]\n")
                                                 .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring")
                                                 .arg(NodeExporter.Port())
                                                 .toUtf8())),
          Tsdb(dir.FilePath("tsdb")),
          Server(
              prometheus,
              [&](int port) {
                  return QStringList{"--config.file=" + Config, "--storage.tsdb.path=" + Tsdb,
                                     QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
              },
              "/api/v1/status/flags", QFile::encodeName(Tsdb), dir.FilePath("prometheus.log"))
    {}

    QString Logs() const { return NodeExporter.Log() + Server.Log(); }

    // The samples of a query by the value of one label.
    QMap<QString, QString> Query(const QString& query, const char* label) const
    {
        return QueryByLabel(Server.Port(), query, label);
    }

    TServer NodeExporter;
    QString Config, Tsdb;
    TServer Server;
};

TEST(MonitoringServer, MissingProductsAlertFiresForTheStationWithGapsOnly)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    TempDir dir;
    const int64_t nowMs = DateTimeToUnixMs(NowUTC());
    const QString healthy = dir.MakeDir("healthy") + "/";
    const QString gaps = dir.MakeDir("gaps") + "/";
    const QString textfiles = dir.MakeDir("textfile");
    WriteStation(healthy, nowMs, 0, 0);
    // Three to four hours ago: due (more than 90 minutes ago) and in the last 24 hours.
    WriteStation(gaps, nowMs, nowMs - 4 * 3600000, nowMs - 3 * 3600000);

    // The stations' scheduled runs, the schedule learned from their ledgers.
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const QString& station : {QStringLiteral("healthy"), QStringLiteral("gaps")}) {
        // A ledger of its own for each (a ledger named but absent would be the one beside the program).
        const QString ledger = dir.Write(station + ".txt", "");
        const TRun run = RunProgram(
            LAGWATCH_BIN,
            {dir.FilePath(station), ledger, "-close", "-metrics=" + textfiles + "/lagwatch-" + station + ".prom"}, env);
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    }

    const TMonitoringServers servers(prometheus, exporter, dir, textfiles, QFile::encodeName(gaps));
    ASSERT_GT(servers.NodeExporter.Port(), 0) << servers.NodeExporter.Log().toStdString();
    const int prometheusPort = servers.Server.Port();
    ASSERT_GT(prometheusPort, 0) << servers.Server.Log().toStdString();

    // Both stations' series reach Prometheus, then the alert fires.
    QStringList firing;
    qsizetype series = 0;
    WaitUntil([&] {
        const QJsonObject reply =
            QJsonDocument::fromJson(
                HttpGet(prometheusPort, "/api/v1/query?query=lagwatch_products_missing%7Bwindow%3D%2224h%22%7D"))
                .object();
        series = reply["data"].toObject()["result"].toArray().size();
        firing = FiringAlerts(prometheusPort, "LagwatchProductsMissingAtStation", "folder");
        return series == 2 && !firing.isEmpty();
    });
    EXPECT_EQ(series, 2) << servers.Logs().toStdString();
    QFile metrics(textfiles + "/lagwatch-gaps.prom");
    metrics.open(QIODevice::ReadOnly);
    EXPECT_EQ(firing, QStringList{gaps}) << metrics.readAll().toStdString() << "\n"
                                         << HttpGet(prometheusPort, "/api/v1/rules").toStdString();
    // Three more evaluations of the rules change nothing: the healthy station stays quiet.
    auto lastEvaluation = [&] {
        const QJsonObject reply = QJsonDocument::fromJson(HttpGet(prometheusPort, "/api/v1/rules")).object();
        return reply["data"].toObject()["groups"].toArray().first().toObject()["lastEvaluation"].toString();
    };
    QString seen = lastEvaluation();
    int evaluations = 0;
    EXPECT_TRUE(WaitUntil([&] {
        const QString now = lastEvaluation();
        evaluations += now != seen;
        seen = now;
        return evaluations >= 3;
    }));
    EXPECT_EQ(FiringAlerts(prometheusPort, "LagwatchProductsMissingAtStation", "folder"), QStringList{gaps});
    EXPECT_EQ(FiringAlerts(prometheusPort, "LagwatchProductsNotOnTime", "folder"), QStringList{});
}

// The station of three families, checked, reported and scraped: one run
// gives each family its verdict and figures, and the missing-products alert
// fires for the family with the short slot only.
TEST(MonitoringServer, ThreeFamiliesCheckedReportedAndScraped)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    TempDir dir;
    TFamilyStation station;
    ASSERT_TRUE(WriteFamilyStation(dir.Path(), station));
    const QString textfiles = dir.MakeDir("textfile");
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    const QString report = dir.FilePath("report.csv");
    const TRun run = RunProgram(LAGWATCH_BIN,
                                {station.DataFolder, station.Ledger, "-families=" + station.FamiliesFile, "-check",
                                 "-report=" + report, "-metrics=" + textfiles + "/lagwatch.prom"},
                                env, 60000);

    // The check: the worst verdict, the family that is not OK with its
    // reason, every family's performance data under its name.
    const QString shortSlot = FormatIsoUtc(UnixMsToDateTime(station.ShortSlotMs)).mid(11, 5);
    EXPECT_EQ(run.ExitCode, 1) << run.Out.toStdString() << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("LAGWATCH WARNING - seg WARNING: 1 product missing (2 of 114 files) in the last "
                                   "24 hours: "))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(shortSlot + " UTC; 2 of 3 families OK | crm_newest_delay=")) << run.Out.toStdString();
    for (const char* data : {" seg_missing_24h=1;0;2;0;", " seg_missing_files_24h=2", " hourly_missing_24h=0;",
                             " crm_newest_delay=", " seg_newest_delay="})
        EXPECT_TRUE(run.Out.contains(QLatin1String(data))) << data << "\n" << run.Out.toStdString();

    // The report: per family and day, in slots; the short slot missing 2
    // files, the late slot late (more than 5 minutes, not more than 15); the
    // files received in the last column.
    QFile csv(report);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows[0].startsWith("family,day,expected,received,missing,missing_files,late,very_late,"));
    EXPECT_TRUE(rows[0].endsWith(",delay_max_seconds,files"));
    QMap<QString, std::array<int, 5>> sums;  // received, missing, missing files, late, files
    for (const QString& row : rows.mid(1)) {
        const QStringList f = row.split(',');
        ASSERT_EQ(f.size(), 13) << row.toStdString();
        std::array<int, 5>& sum = sums[f[0]];
        sum[0] += f[3].toInt();
        sum[1] += f[4].toInt();
        sum[2] += f[5].toInt();
        sum[3] += f[6].toInt();
        sum[4] += f[12].toInt();
    }
    EXPECT_EQ(sums.keys(), (QStringList{"crm", "hourly", "seg"}));
    EXPECT_EQ(sums["seg"], (std::array<int, 5>{23, 1, 2, 1, 24 * SegmentsPerSlot - 2}));
    EXPECT_EQ(sums["hourly"], (std::array<int, 5>{6, 0, 0, 0, 6}));
    EXPECT_EQ(sums["crm"][1], 0);

    // The metrics, scraped: a family label on every series, and the alert
    // for the family with the short slot.
    const TMonitoringServers servers(prometheus, exporter, dir, textfiles, "family=\"hourly\"");
    ASSERT_GT(servers.Server.Port(), 0) << servers.Logs().toStdString();
    QMap<QString, QString> missingFiles;
    QStringList firing;
    WaitUntil([&] {
        missingFiles = servers.Query("lagwatch_files_missing{window=\"24h\"}", "family");
        firing = FiringAlerts(servers.Server.Port(), "LagwatchProductsMissingAtStation", "family");
        return missingFiles.size() == 3 && !firing.isEmpty();
    });
    EXPECT_EQ(missingFiles, (QMap<QString, QString>{{"crm", "0"}, {"hourly", "0"}, {"seg", "2"}}))
        << servers.Logs().toStdString();
    EXPECT_EQ(firing, QStringList{"seg"});
    EXPECT_EQ(servers.Query("lagwatch_warning_threshold_seconds", "family"),
              (QMap<QString, QString>{{"crm", "2100"}, {"hourly", "2100"}, {"seg", "300"}}));
    EXPECT_EQ(servers.Query("lagwatch_files_per_slot", "family"),
              (QMap<QString, QString>{{"crm", "1"}, {"hourly", "1"}, {"seg", "114"}}));
}

}  // namespace
