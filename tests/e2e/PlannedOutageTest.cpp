// A planned outage end to end: a station's real runs, with an outages file,
// write their metrics into a node exporter's text-file folder; a real
// Prometheus with the shipped rules sends its alerts to a real Alertmanager
// configured as the shipped example, whose receiver is a small webhook in
// Python. Two families miss products, one of them in its planned outage: the
// receiver hears of the other only and amtool lists the muted alert as
// inhibited; the station's next run after the outage ends lets the first
// family notify. Everything listens on 127.0.0.1 and is stopped whatever
// happens; without the servers the test skips, except in CI.
#include "platform/DateTime.h"
#include "station/Outages.h"
#include "station/Utils.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/MonitoringServers.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int64_t Quarter = 15 * 60000, Hour = 4 * Quarter;
const QString Example = QStringLiteral(LAGWATCH_SOURCE_DIR "/docs/monitoring/alertmanager.yml");

// Appends the body of every POST to the file, a line each; a GET answers with the file's name.
const char* const Receiver = R"(import http.server, sys
class Hook(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers["Content-Length"]))
        with open(sys.argv[2], "ab") as f:
            f.write(body.replace(b"\n", b" ") + b"\n")
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

// The families of the firing alerts of that name the receiver was told of, sorted, once each.
QStringList Notified(const QString& file, const QString& alert)
{
    QFile f(file);
    QStringList families;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray& line : f.readAll().split('\n'))
            for (const QJsonValue a : QJsonDocument::fromJson(line)["alerts"].toArray())
                if (a["labels"]["alertname"] == alert && a["status"] == "firing" &&
                    !families.contains(a["labels"]["family"].toString()))
                    families.append(a["labels"]["family"].toString());
    families.sort();
    return families;
}

// Every label value of a label of the inhibited alerts of that name, as amtool lists them.
QStringList Inhibited(const QString& amtool, int port, const QString& alert, const char* label)
{
    const TRun run =
        RunProgram(amtool,
                   {"alert", "query", "--inhibited", "--output=json", "--no-version-check",
                    QStringLiteral("--alertmanager.url=http://127.0.0.1:%1/").arg(port), "alertname=" + alert},
                   BareEnvironment(), 20000);
    QStringList values;
    for (const QJsonValue a : QJsonDocument::fromJson(run.Out.toUtf8()).array())
        if (!a["status"]["inhibitedBy"].toArray().isEmpty())
            values.append(a["labels"][label].toString());
    values.sort();
    return values;
}

// The example with the test's receiver and timings; empty when one of them is not where it was.
QByteArray TestConfiguration(int receiverPort)
{
    QFile f(Example);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = f.readAll();
    for (const auto& [from, to] :
         {std::pair<QByteArray, QByteArray>{"http://127.0.0.1:5001/lagwatch",
                                            QByteArray("http://127.0.0.1:") + QByteArray::number(receiverPort) + "/"},
          {"group_wait: 30s", "group_wait: 1s"},
          {"group_interval: 5m", "group_interval: 1s"}}) {
        if (text.count(from) != 1)
            return {};
        text.replace(from, to);
    }
    return text;
}

TEST(PlannedOutage, ExampleConfigurationPassesAmtool)
{
    REQUIRE_TOOL(amtool, "amtool");
    const TRun check = RunProgram(amtool, {"check-config", Example}, BareEnvironment());
    EXPECT_EQ(check.ExitCode, 0) << check.Out.toStdString() << check.Err.toStdString();
    EXPECT_TRUE(check.Out.contains(" - 1 inhibit rules")) << check.Out.toStdString();
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
    const QByteArray amConfig = TestConfiguration(receiver.Port());
    ASSERT_FALSE(amConfig.isEmpty()) << "the example's receiver URL or timings moved";
    const QString amConfigFile = dir.Write("alertmanager.yml", amConfig);
    const TServer manager(
        alertmanager,
        [&](int port) {
            return QStringList{"--config.file=" + amConfigFile, "--storage.path=" + dir.MakeDir("am"),
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                               "--cluster.listen-address="};
        },
        "/api/v2/status", "127.0.0.1:" + QByteArray::number(receiver.Port()), dir.FilePath("alertmanager.log"), left());
    ASSERT_GT(manager.Port(), 0) << manager.Log().toStdString();

    // Two families every 15 minutes for two days: a misses the last four
    // hours, the last two of them in its planned outage, which ends shortly;
    // b misses four slots three to four hours ago.
    const int64_t nowMs = DateTimeToUnixMs(NowUTC());
    const QString data = dir.FilePath("data/"), textfiles = dir.MakeDir("textfile");
    for (int64_t slot = nowMs / Quarter * Quarter - 48 * Hour; slot < nowMs - 20 * 60000; slot += Quarter)
        for (const char* family : {"a", "b"}) {
            if (family[0] == 'a' ? slot >= nowMs - 4 * Hour : slot >= nowMs - 4 * Hour && slot < nowMs - 3 * Hour)
                continue;
            TDateParts d;
            TTimeParts t;
            TryDecodeDate(UnixMsToDateTime(slot), d);
            TryDecodeTime(UnixMsToDateTime(slot), t);
            const QString folder = data + QString::asprintf("%04d/%02d/%02d/", d.Year, d.Month, d.Day);
            QDir().mkpath(folder);
            const QString file = folder + QString::asprintf("%s_%04d%02d%02d%02d%02d.dat", family, d.Year, d.Month,
                                                            d.Day, t.Hour, t.Minute);
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
            f.close();
            ASSERT_TRUE(SetLastWriteMs(file, slot + 60000));
        }
    // On the second, as the calendar writes it.
    const int64_t endMs = (nowMs / 1000 + 10) * 1000;
    const QString families = dir.Write("families.conf", "[crm]\nenabled = false\n"
                                                        "[a]\npattern = a_{time:%Y%m%d%H%M}.dat\nexpect = 15m\n"
                                                        "[b]\npattern = b_{time:%Y%m%d%H%M}.dat\nexpect = 15m\n");
    const QString outages =
        dir.Write("outages.conf", QStringLiteral("[service]\nfamilies = a\nstart = %1\nend = %2\nreason = antenna "
                                                 "service\n")
                                      .arg(FormatOutageTime(nowMs - 2 * Hour), FormatOutageTime(endMs))
                                      .toUtf8());
    const QString ledger = dir.Write("CRM-received.txt", "");
    auto runStation = [&] {
        QProcessEnvironment env = BareEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        return RunProgram(LAGWATCH_BIN,
                          {data, ledger, "-families=" + families, "-outages=" + outages, "-close",
                           "-metrics=" + textfiles + "/lagwatch.prom"},
                          env, 20000);
    };
    const TRun first = runStation();
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
    ASSERT_GT(nodeExporter.Port(), 0) << nodeExporter.Log().toStdString();
    const QString config =
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
            return QStringList{"--config.file=" + config, "--storage.tsdb.path=" + dir.FilePath("tsdb"),
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
        },
        "/api/v1/status/flags", QFile::encodeName(dir.FilePath("tsdb")), dir.FilePath("prometheus.log"), left());
    ASSERT_GT(server.Port(), 0) << server.Log().toStdString();
    const QString missing = QStringLiteral("LagwatchProductsMissingAtStation");

    // In the outage: both families' alerts fire, b's is heard, a's is muted.
    QStringList inhibited;
    WaitUntil(
        [&] {
            inhibited = Inhibited(amtool, manager.Port(), missing, "family");
            return !Notified(hook, missing).isEmpty() && !inhibited.isEmpty();
        },
        left());
    EXPECT_EQ(FiringAlerts(server.Port(), missing, "family"), (QStringList{"a", "b"})) << server.Log().toStdString();
    EXPECT_EQ(FiringAlerts(server.Port(), "LagwatchPlannedOutage", "family"), QStringList{"a"});
    EXPECT_EQ(Notified(hook, missing), QStringList{"b"}) << manager.Log().toStdString();
    EXPECT_EQ(inhibited, QStringList{"a"});

    // The outage is over by the station's next run: a notifies too.
    QThread::msleep(static_cast<unsigned long>(std::max<int64_t>(0, endMs - DateTimeToUnixMs(NowUTC()))));
    const TRun second = runStation();
    ASSERT_EQ(second.ExitCode, 0) << second.Err.toStdString();
    WaitUntil([&] { return Notified(hook, missing).size() == 2; }, left());
    EXPECT_EQ(Notified(hook, missing), (QStringList{"a", "b"})) << manager.Log().toStdString();
    EXPECT_EQ(Inhibited(amtool, manager.Port(), missing, "family"), QStringList{});
    // The outage itself is announced already: its route has no receiver.
    EXPECT_EQ(Notified(hook, "LagwatchPlannedOutage"), QStringList{});
    EXPECT_LT(elapsed.elapsed(), 60000);
}

}  // namespace
