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
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <functional>

namespace {

// A loopback port nobody listens on at this moment (another process may
// take it before the server binds it: TServer then tries another).
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// The body of an HTTP GET on the loopback, empty when nothing answers.
QByteArray HttpGet(int port, const QByteArray& path)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    QByteArray response;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const QByteArray request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) == request.size()) {
            char buffer[8192];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                response.append(buffer, n);
        }
    }
    ::close(fd);
    const qsizetype body = response.indexOf("\r\n\r\n");
    return response.startsWith("HTTP/1.") && response.mid(9, 3) == "200" && body >= 0 ? response.mid(body + 4)
                                                                                      : QByteArray();
}

// Polls until the condition holds. The bound only ends a hang: a busy
// machine may take long, a working one never takes that long.
bool WaitUntil(const std::function<bool()>& condition)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > 300000)
            return false;
        QThread::msleep(200);
    }
    return true;
}

// A server on a free loopback port for the length of the test, ready once
// its answer to readyPath holds mark (so that it is this server answering).
// Started again on another port when the port was taken before it bound it
// (it then exits); stopped when it goes out of scope. Port() is 0 when it
// never got ready.
class TServer
{
public:
    TServer(const QString& program, const std::function<QStringList(int port)>& arguments, const QByteArray& readyPath,
            const QByteArray& mark, const QString& log)
        : FLog(log)
    {
        FProcess.setProgram(program);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.setStandardOutputFile(log, QIODevice::Append);
        for (int attempt = 0; attempt < 10; ++attempt) {
            const int port = FreePort();
            FProcess.setArguments(arguments(port));
            FProcess.start();
            if (!FProcess.waitForStarted(60000))
                break;
            const bool ready = WaitUntil([&] { return Exited() || HttpGet(port, readyPath).contains(mark); });
            if (!Exited()) {
                FPort = ready ? port : 0;
                break;
            }
        }
    }
    ~TServer()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.terminate();
        if (!FProcess.waitForFinished(60000)) {
            FProcess.kill();
            FProcess.waitForFinished(60000);
        }
    }
    int Port() const { return FPort; }
    QString Log() const
    {
        QFile f(FLog);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(3000)) : QString();
    }

private:
    bool Exited() { return FProcess.state() == QProcess::NotRunning || FProcess.waitForFinished(0); }

    QProcess FProcess;
    QString FLog;
    int FPort = 0;
};

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

// The alerts of the given name that Prometheus reports firing, by the
// label given (the folder or the family), sorted.
QStringList FiringFolders(int port, const char* alertName, const char* label = "folder")
{
    const QJsonObject reply = QJsonDocument::fromJson(HttpGet(port, "/api/v1/alerts")).object();
    QStringList folders;
    for (const QJsonValue alert : reply["data"].toObject()["alerts"].toArray()) {
        const QJsonObject labels = alert.toObject()["labels"].toObject();
        if (labels["alertname"].toString() == alertName && alert.toObject()["state"].toString() == "firing")
            folders.append(labels[label].toString());
    }
    folders.sort();
    return folders;
}

// A node exporter serving the text files of a folder, ready once they hold
// mark, and a Prometheus scraping it every second with the shipped alert rules.
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
                                                            "  - \"%1\"\n"
                                                            "scrape_configs:\n"
                                                            "  - job_name: stations\n"
                                                            "    static_configs:\n"
                                                            "      - targets: [\"127.0.0.1:%2\"]\n")
                                                 .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-alerts.yml")
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
    QMap<QString, QString> Query(const QByteArray& query, const char* label) const
    {
        const QJsonObject reply =
            QJsonDocument::fromJson(HttpGet(Server.Port(), "/api/v1/query?query=" + query.toPercentEncoding()))
                .object();
        QMap<QString, QString> values;
        for (const QJsonValue sample : reply["data"].toObject()["result"].toArray())
            values[sample.toObject()["metric"].toObject()[label].toString()] =
                sample.toObject()["value"].toArray().at(1).toString();
        return values;
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
        firing = FiringFolders(prometheusPort, "LagwatchProductsMissing");
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
    EXPECT_EQ(FiringFolders(prometheusPort, "LagwatchProductsMissing"), QStringList{gaps});
    EXPECT_EQ(FiringFolders(prometheusPort, "LagwatchProductsNotOnTime"), QStringList{});
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
        firing = FiringFolders(servers.Server.Port(), "LagwatchProductsMissing", "family");
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
