// A real monitoring system end to end: two stations' runs write their metrics
// into a node exporter's text-file folder, a real node exporter serves them,
// a real Prometheus scrapes it every second with the shipped alert rules, and
// its HTTP API shows the missing-products alert firing for the station with
// gaps only. Both servers listen on free loopback ports and are stopped
// whatever happens; without them the test skips, except in CI. The test waits
// for what the servers show, never for a time: its bounds only end a hang.
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
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// The alerts of the given name that Prometheus reports firing, by folder.
QStringList FiringFolders(int port, const char* alertName)
{
    const QJsonObject reply = QJsonDocument::fromJson(HttpGet(port, "/api/v1/alerts")).object();
    QStringList folders;
    for (const QJsonValue alert : reply["data"].toObject()["alerts"].toArray()) {
        const QJsonObject labels = alert.toObject()["labels"].toObject();
        if (labels["alertname"].toString() == alertName && alert.toObject()["state"].toString() == "firing")
            folders.append(labels["folder"].toString());
    }
    return folders;
}

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

    const TServer nodeExporter(
        exporter,
        [&](int port) {
            return QStringList{QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                               "--collector.disable-defaults", "--collector.textfile",
                               "--collector.textfile.directory=" + textfiles};
        },
        "/metrics", QFile::encodeName(gaps), dir.FilePath("node-exporter.log"));
    ASSERT_GT(nodeExporter.Port(), 0) << nodeExporter.Log().toStdString();
    const QString config =
        dir.Write("prometheus.yml", QStringLiteral("global:\n"
                                                   "  scrape_interval: 1s\n"
                                                   "  evaluation_interval: 1s\n"
                                                   "rule_files:\n"
                                                   "  - \"%1\"\n"
                                                   "scrape_configs:\n"
                                                   "  - job_name: stations\n"
                                                   "    static_configs:\n"
                                                   "      - targets: [\"127.0.0.1:%2\"]\n")
                                        .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-alerts.yml")
                                        .arg(nodeExporter.Port())
                                        .toUtf8());
    const QString tsdb = dir.FilePath("tsdb");
    const TServer server(
        prometheus,
        [&](int port) {
            return QStringList{"--config.file=" + config, "--storage.tsdb.path=" + tsdb,
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
        },
        "/api/v1/status/flags", QFile::encodeName(tsdb), dir.FilePath("prometheus.log"));
    const int prometheusPort = server.Port();
    ASSERT_GT(prometheusPort, 0) << server.Log().toStdString();

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
    EXPECT_EQ(series, 2) << server.Log().toStdString() << nodeExporter.Log().toStdString();
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

}  // namespace
