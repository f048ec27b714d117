// A real monitoring system end to end: two stations' runs write their metrics
// into a node exporter's text-file folder, a real node exporter serves them,
// a real Prometheus scrapes it every second with the shipped alert rules, and
// its HTTP API shows the missing-products alert firing for the station with
// gaps only. Both servers listen on free loopback ports and are stopped
// whatever happens; without them the test skips, except in CI.
#include "report/StationStatus.h"
#include "station/Utils.h"
#include "platform/DateTime.h"
#include "tests/common/TempDir.h"
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
#include <memory>

namespace {

// A loopback port nobody listens on at this moment.
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

// A server for the length of the test: stopped when it goes out of scope.
class TServer
{
public:
    TServer(const QString& program, const QStringList& arguments, const QString& log)
    {
        FProcess.setProgram(program);
        FProcess.setArguments(arguments);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.setStandardOutputFile(log);
        FProcess.start();
        FProcess.waitForStarted(10000);
        FLog = log;
    }
    ~TServer()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.terminate();
        if (!FProcess.waitForFinished(10000)) {
            FProcess.kill();
            FProcess.waitForFinished(5000);
        }
    }
    bool Running() const { return FProcess.state() == QProcess::Running; }
    QString Log() const
    {
        QFile f(FLog);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(3000)) : QString();
    }

private:
    QProcess FProcess;
    QString FLog;
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

// The alerts of the given name that Prometheus reports firing, by the label given (folder or family).
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

// A node exporter serving the text files of a folder and a Prometheus
// scraping it every second with the shipped alert rules.
class TMonitoringServers
{
public:
    TMonitoringServers(const QString& prometheus, const QString& exporter, TempDir& dir, const QString& textfiles)
        : FExporterPort(FreePort()), FPrometheusPort(FreePort()),
          FExporter(exporter,
                    {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(FExporterPort),
                     "--collector.disable-defaults", "--collector.textfile",
                     "--collector.textfile.directory=" + textfiles},
                    dir.FilePath("node-exporter.log")),
          FServer(prometheus,
                  {"--config.file=" + Config(dir, FExporterPort), "--storage.tsdb.path=" + dir.FilePath("tsdb"),
                   QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(FPrometheusPort)},
                  dir.FilePath("prometheus.log"))
    {}

    int Port() const { return FPrometheusPort; }
    bool Running() const { return FExporterPort != FPrometheusPort && FExporter.Running() && FServer.Running(); }
    QString Logs() const { return FServer.Log() + FExporter.Log(); }

    // The samples of a query, by the value of one label.
    QMap<QString, QString> Query(const QByteArray& query, const char* label) const
    {
        const QJsonObject reply =
            QJsonDocument::fromJson(HttpGet(FPrometheusPort, "/api/v1/query?query=" + query.toPercentEncoding()))
                .object();
        QMap<QString, QString> values;
        for (const QJsonValue sample : reply["data"].toObject()["result"].toArray())
            values[sample.toObject()["metric"].toObject()[label].toString()] =
                sample.toObject()["value"].toArray().at(1).toString();
        return values;
    }

private:
    static QString Config(TempDir& dir, int exporterPort)
    {
        return dir.Write("prometheus.yml", QStringLiteral("global:\n"
                                                          "  scrape_interval: 1s\n"
                                                          "  evaluation_interval: 1s\n"
                                                          "rule_files:\n"
                                                          "  - \"%1\"\n"
                                                          "scrape_configs:\n"
                                                          "  - job_name: stations\n"
                                                          "    static_configs:\n"
                                                          "      - targets: [\"127.0.0.1:%2\"]\n")
                                               .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-alerts.yml")
                                               .arg(exporterPort)
                                               .toUtf8());
    }

    int FExporterPort, FPrometheusPort;
    TServer FExporter, FServer;
};

TEST(MonitoringServer, MissingProductsAlertFiresForTheStationWithGapsOnly)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    QElapsedTimer elapsed;
    elapsed.start();
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
            {dir.FilePath(station), ledger, "-close", "-metrics=" + textfiles + "/lagwatch-" + station + ".prom"}, env,
            60000);
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    }

    const TMonitoringServers servers(prometheus, exporter, dir, textfiles);
    ASSERT_TRUE(servers.Running()) << servers.Logs().toStdString();
    const int prometheusPort = servers.Port();

    // Both stations' series reach Prometheus, then the alert fires.
    QStringList firing;
    qsizetype series = 0;
    while (elapsed.elapsed() < 45000) {
        const QJsonObject reply =
            QJsonDocument::fromJson(
                HttpGet(prometheusPort, "/api/v1/query?query=lagwatch_products_missing%7Bwindow%3D%2224h%22%7D"))
                .object();
        series = reply["data"].toObject()["result"].toArray().size();
        firing = FiringFolders(prometheusPort, "LagwatchProductsMissing");
        if (series == 2 && !firing.isEmpty())
            break;
        QThread::msleep(500);
    }
    EXPECT_EQ(series, 2) << servers.Logs().toStdString();
    QFile metrics(textfiles + "/lagwatch-gaps.prom");
    metrics.open(QIODevice::ReadOnly);
    EXPECT_EQ(firing, QStringList{gaps}) << metrics.readAll().toStdString() << "\n"
                                         << HttpGet(prometheusPort, "/api/v1/rules").toStdString();
    // A few more evaluations change nothing: the healthy station stays quiet.
    QThread::msleep(2500);
    EXPECT_EQ(FiringFolders(prometheusPort, "LagwatchProductsMissing"), QStringList{gaps});
    EXPECT_EQ(FiringFolders(prometheusPort, "LagwatchProductsNotOnTime"), QStringList{});
    EXPECT_LT(elapsed.elapsed(), 60000);
}

}  // namespace
