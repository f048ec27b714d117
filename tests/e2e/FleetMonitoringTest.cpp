// A network of three stations in one real Prometheus, as the shipped rules
// and dashboard expect it: each station's real runs write their metrics into
// its own node exporter's text-file folder, and Prometheus scrapes the three
// exporters, naming each station with a target label. The station alert
// fires for the station missing a family, the upstream alert once the family
// is missing at all three, every query of the dashboard returns data, and the
// delay histogram agrees with the delays the stations recorded. Everything
// listens on 127.0.0.1 and is stopped whatever happens; the test ends by
// itself within a minute. Without the servers it skips, except in CI.
#include "platform/DateTime.h"
#include "station/DelayHistogram.h"
#include "station/Utils.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/MonitoringServers.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

constexpr int64_t Quarter = 15 * 60000, Hour = 4 * Quarter;

struct TStation
{
    QString Name, Data, Ledger, Families, Textfiles;
};

// "2026/12/07/" and "202612071215" of a time.
QString Stamp(int64_t ms, QString* day = nullptr)
{
    TDateParts d;
    TTimeParts t;
    TryDecodeDate(UnixMsToDateTime(ms), d);
    TryDecodeTime(UnixMsToDateTime(ms), t);
    if (day)
        *day = QString::asprintf("%04d/%02d/%02d/", d.Year, d.Month, d.Day);
    return QString::asprintf("%04d%02d%02d%02d%02d", d.Year, d.Month, d.Day, t.Hour, t.Minute);
}

QString SegFile(const TStation& station, int64_t slotMs, int file)
{
    QString day;
    const QString stamp = Stamp(slotMs, &day);
    return station.Data + day + QStringLiteral("SEG_%1_%2.dat").arg(file).arg(stamp);
}

// A file last written `seconds` before now: its delay, as it is made now.
void Product(const QString& path, int seconds)
{
    QDir().mkpath(path.section('/', 0, -2));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && (f.close(), true)) << path.toStdString();
    ASSERT_TRUE(SetLastWriteMs(path, DateTimeToUnixMs(NowUTC()) - seconds * 1000LL));
}

// A seg slot of three files, the latest `seconds` late.
void Slot(const TStation& station, int64_t slotMs, int seconds)
{
    for (int file = 0; file < 3; ++file)
        Product(SegFile(station, slotMs, file), seconds - 20 * file);
}

// The station's timer run.
void RunStation(const TStation& station)
{
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    const TRun run = RunProgram(LAGWATCH_BIN,
                                {station.Data, station.Ledger, "-families=" + station.Families, "-close",
                                 "-metrics=" + station.Textfiles + "/lagwatch.prom"},
                                env, 20000);
    EXPECT_EQ(run.ExitCode, 0) << station.Name.toStdString() << ": " << run.Err.toStdString();
}

// The delays a station recorded by slot: the latest of each complete seg
// slot (by its time), or each crm product (by its name).
std::map<QString, int> Recorded(const TStation& station, bool crm)
{
    QStringList ledgers{station.Ledger};
    const QString folder = station.Ledger.section('/', 0, -2) + "/seg-received/";
    if (!crm)
        ledgers = QDir(folder).entryList({"2*.txt"}, QDir::Files).replaceInStrings(QRegularExpression("^"), folder);
    std::map<QString, int> latest, files;
    for (const QString& ledger : ledgers) {
        QFile f(ledger);
        f.open(QIODevice::ReadOnly);
        for (const QString& line : QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts)) {
            const QString slot = crm ? line.section('=', 0, 0) : line.left(12);
            latest[slot] = std::max(latest[slot], line.section('=', 1).toInt());
            ++files[slot];
        }
    }
    std::erase_if(latest, [&](const auto& slot) { return !crm && files[slot.first] != 3; });
    return latest;
}

// The bucket [lower, upper] of the nearest-rank quantile of the delays.
std::pair<double, double> BucketOf(std::vector<int> delays, double q)
{
    std::sort(delays.begin(), delays.end());
    const int64_t value = delays[static_cast<size_t>(std::ceil(q * delays.size())) - 1];
    const auto upper = std::lower_bound(DelayBucketBounds.begin(), DelayBucketBounds.end(), value);
    return {upper == DelayBucketBounds.begin() ? 0 : *(upper - 1), *upper};
}

TEST(FleetMonitoring, StationAndUpstreamAlertsDashboardAndHistogram)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    // One minute in all: the waits share 50 s, the servers' stop the rest.
    QElapsedTimer elapsed;
    elapsed.start();
    const auto left = [&] { return static_cast<int>(std::max<qint64>(0, 50000 - elapsed.elapsed())); };
    QString steps;  // when each step ended, for a failure's message
    const auto step = [&](const char* what) { steps += QStringLiteral("%1 at %2 ms; ").arg(what).arg(elapsed.elapsed()); };

    // Two days of seg slots and crm products; b misses the slots of 6 to 2
    // hours ago (due, in the last 24 hours); the newest five slots, not due
    // yet, arrive later.
    TempDir dir;
    const int64_t nowMs = DateTimeToUnixMs(NowUTC());
    const int64_t lastSlot = nowMs / Quarter * Quarter, lateFrom = lastSlot - 4 * Quarter;
    const int64_t gapFrom = nowMs - 6 * Hour, gapTo = nowMs - 2 * Hour;
    std::vector<TStation> stations;
    for (const QString name : {"a", "b", "c"}) {
        stations.push_back({name, dir.FilePath(name + "/data/"), dir.Write(name + "/CRM-received.txt", ""),
                            dir.Write(name + "/families.conf", "[seg]\npattern = SEG_{n}_{time:%Y%m%d%H%M}.dat\n"
                                                               "expect = 15m\nfiles-per-slot = 3\n"),
                            dir.MakeDir(name + "/textfile")});
        for (int64_t slot = lastSlot - 48 * Hour; slot < lateFrom; slot += Quarter)
            if (name != "b" || slot < gapFrom || slot >= gapTo)
                Slot(stations.back(), slot, 50 + static_cast<int>(slot / Quarter % 4) * 300);
        for (int64_t at = (nowMs / (24 * Hour) - 2) * 24 * Hour + 12 * Hour; at <= nowMs; at += 24 * Hour) {
            QString day;
            const QString stamp = Stamp(at, &day);
            Product(stations.back().Data + day + stamp + "-crm.grb", 60);
        }
        RunStation(stations.back());
    }
    step("stations");

    std::vector<std::unique_ptr<TServer>> exporters;
    QString targets;
    for (const TStation& station : stations) {
        exporters.push_back(std::make_unique<TServer>(
            exporter,
            [&](int port) {
                return QStringList{QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                   "--collector.disable-defaults", "--collector.textfile",
                                   "--collector.textfile.directory=" + station.Textfiles};
            },
            "/metrics", QFile::encodeName(station.Data), dir.FilePath("exporter.log"), left()));
        ASSERT_GT(exporters.back()->Port(), 0) << exporters.back()->Log().toStdString();
        targets += QStringLiteral("      - {targets: [\"127.0.0.1:%1\"], labels: {station: %2}}\n")
                       .arg(exporters.back()->Port())
                       .arg(station.Name);
    }
    const QString config = dir.Write(
        "prometheus.yml", QStringLiteral("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                                         "rule_files: [\"%1/lagwatch-rules.yml\", \"%1/lagwatch-alerts.yml\"]\n"
                                         "scrape_configs:\n  - job_name: lagwatch\n    static_configs:\n%2")
                              .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring", targets)
                              .toUtf8());
    const TServer server(
        prometheus,
        [&](int port) {
            return QStringList{"--config.file=" + config, "--storage.tsdb.path=" + dir.FilePath("tsdb"),
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
        },
        "/api/v1/status/flags", QFile::encodeName(dir.FilePath("tsdb")), dir.FilePath("prometheus.log"), left());
    const int port = server.Port();
    ASSERT_GT(port, 0) << server.Log().toStdString();
    step("servers");

    // Every station scraped, the station alert naming b, no upstream alert.
    QStringList atStation;
    WaitUntil(
        [&] {
            atStation = FiringAlerts(port, "LagwatchProductsMissingAtStation", "station");
            return !atStation.isEmpty() && QueryByLabel(port, "lagwatch_delay_seconds_count", "station").size() == 3;
        },
        left());
    step("station alert");
    EXPECT_EQ(atStation, QStringList{"b"}) << steps.toStdString() << server.Log().toStdString();
    EXPECT_EQ(FiringAlerts(port, "LagwatchProductsMissingAtStation", "family"), QStringList{"seg"});
    EXPECT_EQ(FiringAlerts(port, "LagwatchProductsMissingEverywhere", "family"), QStringList{});

    // The newest slots arrive, each station's as late as its own; the
    // histogram counts every slot the ledgers hold, and its quantiles over
    // the hour are those of the new slots alone.
    const std::map<QString, int> delays{{"a", 90}, {"b", 400}, {"c", 1000}};
    std::map<QString, std::vector<int>> newDelays;  // "" for all three
    for (const TStation& station : stations) {
        for (int64_t slot = lateFrom; slot <= lastSlot; slot += Quarter)
            Slot(station, slot, delays.at(station.Name));
        RunStation(station);
        for (const auto& [slot, seconds] : Recorded(station, false))
            if (slot >= Stamp(lateFrom))
                newDelays[station.Name].push_back(seconds), newDelays[""].push_back(seconds);
    }
    ASSERT_EQ(newDelays[""].size(), 15u);
    for (const bool crm : {false, true}) {
        QMap<QString, QString> count, sum, seenCount, seenSum;
        for (const TStation& station : stations) {
            int n = 0, total = 0;
            for (const auto& [slot, seconds] : Recorded(station, crm))
                ++n, total += seconds;
            count[station.Name] = QString::number(n);
            sum[station.Name] = QString::number(total);
        }
        const QString family = crm ? "{family=\"crm\"}" : "{family=\"seg\"}";
        WaitUntil(
            [&] {
                seenCount = QueryByLabel(port, "lagwatch_delay_seconds_count" + family, "station");
                seenSum = QueryByLabel(port, "lagwatch_delay_seconds_sum" + family, "station");
                return seenCount == count && seenSum == sum;
            },
            left());
        EXPECT_EQ(seenCount, count) << family.toStdString() << steps.toStdString();
        EXPECT_EQ(seenSum, sum) << family.toStdString();
    }
    QStringList wrong;
    WaitUntil(
        [&] {
            wrong.clear();
            for (const auto& [station, values] : newDelays)
                for (const double q : {0.5, 0.95}) {
                    const QString query = QStringLiteral("%1:lagwatch_delay_seconds:p%2_rate1h{family=\"seg\"%3}")
                                              .arg(station.isEmpty() ? "family" : "station_family")
                                              .arg(q * 100)
                                              .arg(station.isEmpty() ? "" : ",station=\"" + station + "\"");
                    const auto [lower, upper] = BucketOf(values, q);
                    const double value = QueryByLabel(port, query, "family").value("seg", "NaN").toDouble();
                    if (!(value >= lower && value <= upper))
                        wrong << QStringLiteral("%1 = %2, not in [%3, %4]").arg(query).arg(value).arg(lower).arg(upper);
                }
            return wrong.isEmpty();
        },
        left());
    step("histogram");
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString() << "\n" << steps.toStdString();

    // Every query of the dashboard and of its variables returns data, for
    // every station and family.
    QFile file(LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-dashboard.json");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonDocument dashboard = QJsonDocument::fromJson(file.readAll());
    QStringList queries;
    for (const QJsonValue panel : dashboard["panels"].toArray())
        for (const QJsonValue target : panel["targets"].toArray())
            queries << target["expr"].toString();
    for (const QJsonValue variable : dashboard["templating"]["list"].toArray())
        if (variable["type"] == "query")
            queries << variable["definition"].toString().replace(
                QRegularExpression(R"(^label_values\((.*), *(\w+)\)$)"), "count by (\\2) (\\1)");
    ASSERT_GE(queries.size(), 10);
    for (QString& query : queries) {
        query.replace("$station", ".*").replace("$family", ".*").replace("$__rate_interval", "1m");
        EXPECT_FALSE(QuerySamples(port, query).isEmpty()) << query.toStdString();
    }

    // The family goes missing at a and c too, as though its slots had never
    // arrived there: one upstream alert, and no station alert.
    for (const TStation& station : {stations[0], stations[2]}) {
        for (int64_t slot = lateFrom; slot >= gapFrom - Quarter; slot -= Quarter)
            for (int file = 0; slot >= gapFrom && slot < gapTo && file < 3; ++file)
                ASSERT_TRUE(QFile::remove(SegFile(station, slot, file)));
        ASSERT_TRUE(QDir(station.Ledger.section('/', 0, -2) + "/seg-received").removeRecursively());
        RunStation(station);
    }
    step("dashboard, reruns");
    QStringList everywhere;
    WaitUntil(
        [&] {
            everywhere = FiringAlerts(port, "LagwatchProductsMissingEverywhere", "family");
            atStation = FiringAlerts(port, "LagwatchProductsMissingAtStation", "station");
            return everywhere == QStringList{"seg"} && atStation.isEmpty();
        },
        left());
    step("upstream alert");
    EXPECT_EQ(everywhere, QStringList{"seg"}) << steps.toStdString() << server.Log().toStdString();
    EXPECT_EQ(atStation, QStringList{});
    EXPECT_LT(elapsed.elapsed(), 60000) << steps.toStdString();
    RecordProperty("steps", steps.toStdString());
}

}  // namespace
