// A planned outage end to end: a station's real runs with an outages file
// write their metrics for a node exporter; a real Prometheus with the shipped
// rules alerts a real Alertmanager configured as the shipped example, whose
// receiver is a webhook in Python. Two families miss products, one in its
// planned outage: the receiver hears of the other only and amtool lists the
// muted alert as inhibited; after the outage the station's next run lets the
// first notify. All on 127.0.0.1; without the servers the test skips, except
// in CI. (The install check runs amtool check-config on the example.)
#include "report/StationStatus.h"
#include "station/Outages.h"
#include "station/Utils.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/MonitoringServers.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int64_t Quarter = 15 * 60000, Hour = 4 * Quarter;
const QString Example = QStringLiteral(LAGWATCH_SOURCE_DIR "/docs/monitoring/alertmanager.yml");
const QString Missing = QStringLiteral("LagwatchProductsMissingAtStation");

// Appends every POST's body to the file, a line each; a GET answers with the file's name.
const char* const Receiver = R"(import http.server, sys
class Hook(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        with open(sys.argv[2], "ab") as f:
            f.write(self.rfile.read(int(self.headers["Content-Length"])).replace(b"\n", b" ") + b"\n")
        self.send_response(200)
        self.end_headers()
    def do_GET(self):
        self.send_response(200)
        self.end_headers()
        self.wfile.write(sys.argv[2].encode())
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Hook).serve_forever()
)";

// The families of the alerts of that name: firing as the receiver was told,
// or inhibited as amtool lists them (amtool given); sorted, each once.
QStringList Families(const QString& alert, const QString& hook, const QString& amtool = {}, int port = 0)
{
    QJsonArray alerts;
    if (amtool.isEmpty()) {
        QFile f(hook);
        for (const QByteArray& line : f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>{})
            for (const QJsonValue a : QJsonDocument::fromJson(line)["alerts"].toArray())
                if (a["status"] == "firing")
                    alerts.append(a);
    } else {
        const TRun run = RunProgram(amtool,
                                    {"alert", "query", "--inhibited", "--output=json", "--no-version-check",
                                     QStringLiteral("--alertmanager.url=http://127.0.0.1:%1/").arg(port)},
                                    BareEnvironment(), 20000);
        alerts = QJsonDocument::fromJson(run.Out.toUtf8()).array();
    }
    QStringList families;
    for (const QJsonValue a : alerts)
        if (a["labels"]["alertname"] == alert && !families.contains(a["labels"]["family"].toString()))
            families.append(a["labels"]["family"].toString());
    families.sort();
    return families;
}

TEST(PlannedOutage, AlertmanagerMutesTheFamilyInItsOutageOnly)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    REQUIRE_TOOL(alertmanager, "prometheus-alertmanager");
    REQUIRE_TOOL(amtool, "amtool");
    REQUIRE_TOOL(python, "python3");
    // One minute in all: the waits share 50 s, the servers' stop the rest.
    QElapsedTimer elapsed;
    elapsed.start();
    const auto left = [&] { return static_cast<int>(std::max<qint64>(0, 50000 - elapsed.elapsed())); };
    TempDir dir;
    const QString hook = dir.FilePath("notifications");
    const TServer receiver(
        python,
        [&](int port) {
            return QStringList{"-c", Receiver, QString::number(port), hook};
        },
        "/", QFile::encodeName(hook), dir.FilePath("receiver.log"), left());
    ASSERT_GT(receiver.Port(), 0) << receiver.Log().toStdString();
    // The example with this receiver and short timings.
    QByteArray config = ReadBytes(Example);
    for (const auto& [from, to] :
         {std::pair<QByteArray, QByteArray>{"5001/lagwatch", QByteArray::number(receiver.Port())},
          {"group_wait: 30s", "group_wait: 1s"},
          {"group_interval: 5m", "group_interval: 1s"}}) {
        ASSERT_EQ(config.count(from), 1) << from.toStdString();
        config.replace(from, to);
    }
    const TServer manager(
        alertmanager,
        [&](int port) {
            return QStringList{
                "--config.file=" + dir.Write("alertmanager.yml", config), "--storage.path=" + dir.MakeDir("am"),
                QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port), "--cluster.listen-address="};
        },
        "/api/v2/status", "127.0.0.1:" + QByteArray::number(receiver.Port()), dir.FilePath("alertmanager.log"), left());
    ASSERT_GT(manager.Port(), 0) << manager.Log().toStdString();

    // Two families every 15 minutes for two days: a misses the last four
    // hours, the last two in its planned outage, which ends within seconds
    // (on the second, as the calendar writes it); b misses four slots three
    // to four hours ago.
    const int64_t nowMs = DateTimeToUnixMs(NowUTC()), endMs = (nowMs / 1000 + 10) * 1000;
    const QString data = dir.FilePath("data/"), textfiles = dir.MakeDir("textfile");
    for (int64_t slot = nowMs / Quarter * Quarter - 48 * Hour; slot < nowMs - 20 * 60000; slot += Quarter) {
        const QString iso = FormatIsoUtc(UnixMsToDateTime(slot));
        const QString folder = data + iso.left(4) + '/' + iso.mid(5, 2) + '/' + iso.mid(8, 2) + '/';
        QDir().mkpath(folder);
        for (const QString family : {"a", "b"})
            if (slot < nowMs - 4 * Hour || (family == "b" && slot >= nowMs - 3 * Hour)) {
                const QString file = folder + family + '_' + QString(iso).remove(QRegularExpression("[-T:]")).left(12);
                ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly) && SetLastWriteMs(file, slot + 60000));
            }
    }
    const QStringList line{
        data,
        dir.Write("CRM-received.txt", ""),
        "-families=" + dir.Write("families.conf", "[crm]\nenabled = false\n"
                                                  "[a]\npattern = a_{time:%Y%m%d%H%M}\nexpect = 15m\n"
                                                  "[b]\npattern = b_{time:%Y%m%d%H%M}\nexpect = 15m\n"),
        "-outages=" + dir.Write("outages.conf", QStringLiteral("[service]\nfamilies = a\nstart = %1\nend = %2\n")
                                                    .arg(FormatOutageTime(nowMs - 2 * Hour), FormatOutageTime(endMs))
                                                    .toUtf8()),
        "-close",
        "-metrics=" + textfiles + "/lagwatch.prom"};
    const TRun first = RunProgram(LAGWATCH_BIN, line, BareEnvironment(), 20000);
    ASSERT_EQ(first.ExitCode, 0) << first.Err.toStdString();
    ASSERT_LT(DateTimeToUnixMs(NowUTC()), endMs) << "the first run ended after the outage it was to see";

    const TServer nodeExporter(
        exporter,
        [&](int port) {
            return QStringList{QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                               "--collector.disable-defaults", "--collector.textfile",
                               "--collector.textfile.directory=" + textfiles};
        },
        "/metrics", "lagwatch_outage_active", dir.FilePath("exporter.log"), left());
    const QString prometheusConfig =
        dir.Write("prometheus.yml",
                  QStringLiteral("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                                 "rule_files: [\"%1/lagwatch-rules.yml\", \"%1/lagwatch-alerts.yml\"]\n"
                                 "alerting: {alertmanagers: [{static_configs: [{targets: [\"127.0.0.1:%2\"]}]}]}\n"
                                 "scrape_configs: [{job_name: lagwatch, static_configs: "
                                 "[{targets: [\"127.0.0.1:%3\"]}]}]\n")
                      .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring")
                      .arg(manager.Port())
                      .arg(nodeExporter.Port())
                      .toUtf8());
    const TServer server(
        prometheus,
        [&](int port) {
            return QStringList{"--config.file=" + prometheusConfig, "--storage.tsdb.path=" + dir.FilePath("tsdb"),
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
        },
        "/api/v1/status/flags", QFile::encodeName(dir.FilePath("tsdb")), dir.FilePath("prometheus.log"), left());
    ASSERT_GT(server.Port(), 0) << nodeExporter.Log().toStdString() << server.Log().toStdString();

    // In the outage both families' alerts fire: b's is heard, a's is muted.
    WaitUntil(
        [&] {
            return !Families(Missing, hook).isEmpty() && !Families(Missing, hook, amtool, manager.Port()).isEmpty();
        },
        left());
    EXPECT_EQ(FiringAlerts(server.Port(), Missing, "family"), (QStringList{"a", "b"})) << server.Log().toStdString();
    EXPECT_EQ(FiringAlerts(server.Port(), "LagwatchPlannedOutage", "family"), QStringList{"a"});
    EXPECT_EQ(Families(Missing, hook), QStringList{"b"}) << manager.Log().toStdString();
    EXPECT_EQ(Families(Missing, hook, amtool, manager.Port()), QStringList{"a"});

    // The outage is over by the station's next run: a notifies too.
    QThread::msleep(static_cast<unsigned long>(std::max<int64_t>(0, endMs - DateTimeToUnixMs(NowUTC()))));
    ASSERT_EQ(RunProgram(LAGWATCH_BIN, line, BareEnvironment(), 20000).ExitCode, 0);
    WaitUntil([&] { return Families(Missing, hook).size() == 2; }, left());
    EXPECT_EQ(Families(Missing, hook), (QStringList{"a", "b"})) << manager.Log().toStdString();
    EXPECT_EQ(Families(Missing, hook, amtool, manager.Port()), QStringList{});
    // The outage itself was announced: its route has no receiver.
    EXPECT_EQ(Families("LagwatchPlannedOutage", hook), QStringList{});
    EXPECT_LT(elapsed.elapsed(), 60000);
}

}  // namespace
