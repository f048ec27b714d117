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
#include "station/Utils.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/LoopbackServer.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

namespace {

constexpr int64_t Minute = 60000, Quarter = 15 * Minute, Hour = 60 * Minute;

// The bounds of the histogram's buckets (lagwatch_delay_seconds).
constexpr std::array<double, 16> Bounds{60, 120, 300, 600, 900, 1200, 1800, 2100,
                                        2700, 3600, 5400, 7200, 10800, 21600, 43200, 86400};

struct TStation
{
    QString Name, Data, Ledger, Families, Textfiles;
};

// "2026/12/07/" and "202612071215" of a time.
void Names(int64_t ms, QString& day, QString& stamp)
{
    TDateParts d;
    TTimeParts t;
    TryDecodeDate(UnixMsToDateTime(ms), d);
    TryDecodeTime(UnixMsToDateTime(ms), t);
    day = QString::asprintf("%04d/%02d/%02d/", d.Year, d.Month, d.Day);
    stamp = QString::asprintf("%04d%02d%02d%02d%02d", d.Year, d.Month, d.Day, t.Hour, t.Minute);
}

QString SegFile(const TStation& station, int64_t slotMs, int file)
{
    QString day, stamp;
    Names(slotMs, day, stamp);
    return station.Data + day + QStringLiteral("SEG_%1_%2.dat").arg(file).arg(stamp);
}

// A file last written `seconds` before now (its delay, as it is made now).
void Product(const QString& path, int seconds)
{
    QDir().mkpath(path.section('/', 0, -2));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.close();
    ASSERT_TRUE(SetLastWriteMs(path, DateTimeToUnixMs(NowUTC()) - seconds * 1000LL));
}

// A seg slot of three files, the latest `seconds` late.
void Slot(const TStation& station, int64_t slotMs, int seconds)
{
    for (int file = 0; file < 3; ++file)
        Product(SegFile(station, slotMs, file), seconds - 20 * file);
}

// The station's timer run.
int RunStation(const TStation& station)
{
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    const TRun run =
        RunProgram(LAGWATCH_BIN,
                   {station.Data, station.Ledger, "-families=" + station.Families, "-close",
                    "-metrics=" + station.Textfiles + "/lagwatch.prom"},
                   env, 20000);
    EXPECT_EQ(run.Err, "") << station.Name.toStdString();
    return run.ExitCode;
}

// The delays a station recorded, per slot: the latest of a complete seg slot
// (by its time, YYYYMMDDHHMM) or of a crm product (by its name).
std::map<QString, int> Recorded(const TStation& station, const QString& family)
{
    std::map<QString, int> latest;
    std::map<QString, int> files;
    QStringList ledgers{station.Ledger};
    if (family != "crm") {
        ledgers.clear();
        const QString folder = station.Ledger.section('/', 0, -2) + "/" + family + "-received/";
        for (const QString& day : QDir(folder).entryList({"2*.txt"}, QDir::Files))
            ledgers.append(folder + day);
    }
    for (const QString& ledger : ledgers) {
        QFile f(ledger);
        f.open(QIODevice::ReadOnly);
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line.trimmed());
            if (!text.contains('='))
                continue;
            const QString slot = family == "crm" ? text.section('=', 0, 0) : text.left(12);
            latest[slot] = std::max(latest.count(slot) ? latest[slot] : 0, text.section('=', 1).toInt());
            ++files[slot];
        }
    }
    for (auto it = latest.begin(); it != latest.end();)
        it = family == "crm" || files[it->first] == 3 ? std::next(it) : latest.erase(it);
    return latest;
}

// The bucket (lower, upper] of the nearest-rank quantile of the delays.
std::pair<double, double> BucketOfQuantile(std::vector<int> delays, double q)
{
    std::sort(delays.begin(), delays.end());
    const double value = delays[static_cast<size_t>(std::ceil(q * delays.size())) - 1];
    const auto upper = std::lower_bound(Bounds.begin(), Bounds.end(), value);
    return {upper == Bounds.begin() ? 0 : *(upper - 1), *upper};
}

class TFleet
{
public:
    TFleet(const QString& prometheus, const QString& exporter, TempDir& dir, const std::vector<TStation>& stations,
           int boundMs)
    {
        QString targets;
        for (const TStation& station : stations) {
            FExporters.push_back(std::make_unique<TServer>(
                exporter,
                [&](int port) {
                    return QStringList{QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                       "--collector.disable-defaults", "--collector.textfile",
                                       "--collector.textfile.directory=" + station.Textfiles};
                },
                "/metrics", QFile::encodeName(station.Data), dir.FilePath("exporter-" + station.Name + ".log"),
                boundMs));
            targets += QStringLiteral("      - targets: [\"127.0.0.1:%1\"]\n        labels: {station: %2}\n")
                           .arg(FExporters.back()->Port())
                           .arg(station.Name);
        }
        const QString config =
            dir.Write("prometheus.yml",
                      QStringLiteral("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                                     "rule_files: [\"%1/lagwatch-rules.yml\", \"%1/lagwatch-alerts.yml\"]\n"
                                     "scrape_configs:\n"
                                     "  - job_name: lagwatch\n"
                                     "    static_configs:\n")
                              .arg(LAGWATCH_SOURCE_DIR "/docs/monitoring")
                              .toUtf8() +
                          targets.toUtf8());
        const QString tsdb = dir.FilePath("tsdb");
        FServer = std::make_unique<TServer>(
            prometheus,
            [&](int port) {
                return QStringList{"--config.file=" + config, "--storage.tsdb.path=" + tsdb,
                                   QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)};
            },
            "/api/v1/status/flags", QFile::encodeName(tsdb), dir.FilePath("prometheus.log"), boundMs);
    }

    bool Ready() const
    {
        return FServer->Port() > 0 &&
               std::all_of(FExporters.begin(), FExporters.end(), [](const auto& e) { return e->Port() > 0; });
    }
    QString Logs() const
    {
        QString logs = FServer->Log();
        for (const auto& exporter : FExporters)
            logs += exporter->Log();
        return logs;
    }

    // The samples of an instant query, empty when it failed.
    QJsonArray Query(const QString& query) const
    {
        const QByteArray reply =
            HttpGet(FServer->Port(), "/api/v1/query?query=" + query.toUtf8().toPercentEncoding());
        return QJsonDocument::fromJson(reply).object()["data"].toObject()["result"].toArray();
    }
    // A query's values by the value of a label.
    std::map<QString, double> Values(const QString& query, const QString& label) const
    {
        std::map<QString, double> values;
        for (const QJsonValue sample : Query(query))
            values[sample["metric"][label].toString()] = sample["value"][1].toString().toDouble();
        return values;
    }
    // The label of every firing alert of that name, sorted.
    QStringList Firing(const QString& alert, const QString& label) const
    {
        QStringList firing;
        const QJsonObject reply = QJsonDocument::fromJson(HttpGet(FServer->Port(), "/api/v1/alerts")).object();
        for (const QJsonValue a : reply["data"].toObject()["alerts"].toArray())
            if (a["labels"]["alertname"].toString() == alert && a["state"].toString() == "firing")
                firing.append(a["labels"][label].toString());
        firing.sort();
        return firing;
    }

private:
    std::vector<std::unique_ptr<TServer>> FExporters;
    std::unique_ptr<TServer> FServer;
};

TEST(FleetMonitoring, StationAndUpstreamAlertsDashboardAndHistogram)
{
    REQUIRE_TOOL(prometheus, "prometheus");
    REQUIRE_TOOL(exporter, "prometheus-node-exporter");
    // One minute in all: the waits share 50 s, the servers' stop the rest.
    QElapsedTimer elapsed;
    elapsed.start();
    const auto left = [&] { return static_cast<int>(std::max<qint64>(0, 50000 - elapsed.elapsed())); };
    // When each step ended, for a failure's message.
    QString steps;
    const auto step = [&](const char* what) { steps += QStringLiteral("%1 at %2 ms; ").arg(what).arg(elapsed.elapsed()); };

    TempDir dir;
    const int64_t nowMs = DateTimeToUnixMs(NowUTC());
    const int64_t lastSlot = nowMs / Quarter * Quarter;
    // The newest five slots are not due yet (90 minutes): they arrive later.
    const int64_t lateFrom = lastSlot - 4 * Quarter;
    // b misses these slots, due and within the last 24 hours.
    const int64_t gapFrom = nowMs - 6 * Hour, gapTo = nowMs - 2 * Hour;
    std::vector<TStation> stations;
    for (const QString name : {"a", "b", "c"}) {
        const QString base = dir.MakeDir(name) + "/";
        stations.push_back({name, base + "data/", dir.Write(name + "/CRM-received.txt", ""),
                            dir.Write(name + "/families.conf",
                                      "[seg]\npattern = SEG_{n}_{time:%Y%m%d%H%M}.dat\nexpect = 15m\n"
                                      "files-per-slot = 3\n"),
                            dir.MakeDir(name + "/textfile")});
        const TStation& station = stations.back();
        for (int64_t slot = lastSlot - 48 * Hour; slot < lateFrom; slot += Quarter)
            if (name != "b" || slot < gapFrom || slot >= gapTo)
                Slot(station, slot, 50 + static_cast<int>(slot / Quarter % 4) * 300);
        for (int64_t day = nowMs / (24 * Hour) - 2; day <= nowMs / (24 * Hour); ++day)
            for (const int64_t at : {day * 24 * Hour + 12 * Hour, day * 24 * Hour + 13 * Hour + Quarter})
                if (at <= nowMs) {
                    QString folder, stamp;
                    Names(at, folder, stamp);
                    Product(station.Data + folder + stamp + "-crm.grb", 60);
                }
        ASSERT_EQ(RunStation(station), 0);
    }

    step("stations");
    const TFleet fleet(prometheus, exporter, dir, stations, left());
    step("servers");
    ASSERT_TRUE(fleet.Ready()) << fleet.Logs().toStdString();

    // Every station scraped, the station alert naming b, and no upstream alert.
    QStringList atStation;
    WaitUntil(
        [&] {
            atStation = fleet.Firing("LagwatchProductsMissingAtStation", "station");
            return !atStation.isEmpty() && fleet.Values("lagwatch_delay_seconds_count", "station").size() == 3;
        },
        left());
    step("station alert");
    EXPECT_EQ(atStation, QStringList{"b"}) << steps.toStdString() << fleet.Logs().toStdString();
    EXPECT_EQ(fleet.Firing("LagwatchProductsMissingAtStation", "family"), QStringList{"seg"});
    EXPECT_EQ(fleet.Firing("LagwatchProductsMissingEverywhere", "family"), QStringList{});

    // The newest slots arrive, at each station with delays of its own; the
    // histogram counts every slot the ledgers hold, and its quantiles over
    // the hour take the new slots alone.
    const std::map<QString, int> delays{{"a", 90}, {"b", 400}, {"c", 1000}};
    std::vector<int> allNew;
    std::map<QString, std::vector<int>> newOf;
    for (const TStation& station : stations) {
        for (int64_t slot = lateFrom; slot <= lastSlot; slot += Quarter)
            Slot(station, slot, delays.at(station.Name));
        ASSERT_EQ(RunStation(station), 0);
        QString day, from;
        Names(lateFrom, day, from);
        for (const auto& [slot, seconds] : Recorded(station, "seg"))
            if (slot >= from)
                newOf[station.Name].push_back(seconds), allNew.push_back(seconds);
    }
    ASSERT_EQ(allNew.size(), 15u);
    step("newest slots");
    for (const QString family : {"seg", "crm"}) {
        std::map<QString, double> count, sum;
        for (const TStation& station : stations)
            for (const auto& [slot, seconds] : Recorded(station, family))
                count[station.Name] += 1, sum[station.Name] += seconds;
        const QString selector = "{family=\"" + family + "\"}";
        std::map<QString, double> seenCount, seenSum;
        WaitUntil(
            [&] {
                seenCount = fleet.Values("lagwatch_delay_seconds_count" + selector, "station");
                seenSum = fleet.Values("lagwatch_delay_seconds_sum" + selector, "station");
                return seenCount == count && seenSum == sum;
            },
            left());
        EXPECT_EQ(seenCount, count) << family.toStdString() << ": " << steps.toStdString();
        EXPECT_EQ(seenSum, sum) << family.toStdString();
    }
    // Each quantile lies in the bucket of the recorded delays' own.
    struct Quantile
    {
        QString Rule, Station;
        std::vector<int> Delays;
        double Q;
    };
    std::vector<Quantile> quantiles{{"family:lagwatch_delay_seconds:p50_rate1h", "", allNew, 0.5},
                                    {"family:lagwatch_delay_seconds:p95_rate1h", "", allNew, 0.95}};
    for (const auto& [name, values] : newOf) {
        quantiles.push_back({"station_family:lagwatch_delay_seconds:p50_rate1h", name, values, 0.5});
        quantiles.push_back({"station_family:lagwatch_delay_seconds:p95_rate1h", name, values, 0.95});
    }
    auto outside = [&](QStringList& said) {
        said.clear();
        for (const Quantile& q : quantiles) {
            const auto [lower, upper] = BucketOfQuantile(q.Delays, q.Q);
            const QString query = q.Rule + "{family=\"seg\"" +
                                  (q.Station.isEmpty() ? QString() : ",station=\"" + q.Station + "\"") + "}";
            const QJsonArray samples = fleet.Query(query);
            const double value = samples.size() == 1 ? samples[0]["value"][1].toString().toDouble() : NAN;
            if (!(value >= lower && value <= upper))
                said.append(QStringLiteral("%1 = %2, not in [%3, %4]").arg(query).arg(value).arg(lower).arg(upper));
        }
        return !said.isEmpty();
    };
    QStringList wrong;
    WaitUntil([&] { return !outside(wrong); }, left());
    step("histogram");
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString() << "\n" << steps.toStdString();

    // Every query of the dashboard returns data, its variables' too, for all
    // stations and families.
    QFile file(LAGWATCH_SOURCE_DIR "/docs/monitoring/lagwatch-dashboard.json");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject dashboard = QJsonDocument::fromJson(file.readAll()).object();
    QStringList queries;
    for (const QJsonValue panel : dashboard["panels"].toArray())
        for (const QJsonValue target : panel["targets"].toArray())
            queries.append(target["expr"].toString());
    static const QRegularExpression labelValues(R"(^label_values\((.*), *(\w+)\)$)");
    for (const QJsonValue variable : dashboard["templating"]["list"].toArray())
        if (variable["type"] == "query")
            queries.append(QString(variable["definition"].toString()).replace(labelValues, "count by (\\2) (\\1)"));
    ASSERT_GE(queries.size(), 10);
    for (QString& query : queries) {
        query.replace("$station", ".*").replace("$family", ".*").replace("$__rate_interval", "1m");
        EXPECT_FALSE(fleet.Query(query).isEmpty()) << query.toStdString();
    }

    // The family goes missing at a and c too (as though its slots had never
    // arrived there): one upstream alert, and no station alert.
    for (const TStation& station : stations) {
        if (station.Name == "b")
            continue;
        for (int64_t slot = lastSlot - 48 * Hour; slot < lateFrom; slot += Quarter) {
            for (int file = 0; slot >= gapFrom && slot < gapTo && file < 3; ++file)
                ASSERT_TRUE(QFile::remove(SegFile(station, slot, file)));
        }
        ASSERT_TRUE(QDir(station.Ledger.section('/', 0, -2) + "/seg-received").removeRecursively());
        ASSERT_EQ(RunStation(station), 0);
    }
    step("dashboard and reruns");
    QStringList everywhere;
    WaitUntil(
        [&] {
            everywhere = fleet.Firing("LagwatchProductsMissingEverywhere", "family");
            atStation = fleet.Firing("LagwatchProductsMissingAtStation", "station");
            return everywhere == QStringList{"seg"} && atStation.isEmpty();
        },
        left());
    step("upstream alert");
    EXPECT_EQ(everywhere, QStringList{"seg"}) << steps.toStdString() << fleet.Logs().toStdString();
    EXPECT_EQ(atStation, QStringList{});
    EXPECT_LT(elapsed.elapsed(), 60000) << steps.toStdString();
    RecordProperty("steps", steps.toStdString());
}

}  // namespace
