// The ledger at ten years of 96 products a day (350,000 lines): loading and
// saving it beside `sort -f` of the same file, name lookups against a plain
// scan from the first line, writing it as CSV, and many lines added out of
// order (17,800 before 200,000), which must stay near n log n.
#include "station/Ledger.h"
#include "station/Utils.h"
#include "report/Completeness.h"
#include "report/CompletenessReport.h"
#include "report/HealthCheck.h"
#include "report/LedgerCsv.h"
#include "report/Metrics.h"
#include "platform/Collation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

constexpr int LineCount = 350000;

const QString& LedgerFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.path() + "/CRM-received.txt";
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        std::mt19937 random(7);
        // Written shuffled by day, so loading has to sort.
        QByteArray all;
        for (int i = 0; i < LineCount; ++i) {
            const int day = i / 96, slot = i % 96;
            const int y = 2011 + day / 365, doy = day % 365;
            const int m = 1 + doy / 31 % 12, d = 1 + doy % 28;
            char line[64];
            std::snprintf(line, sizeof line, "%04d%02d%02d%02d%02d-crm.grb=%u\r\n", y, m, d, slot / 4, slot % 4 * 15,
                          static_cast<unsigned>(random() % 4000));
            all += line;
        }
        f.write(all);
        return p;
    }();
    return path;
}

void BM_LoadLedger(benchmark::State& state)
{
    for (auto _ : state) {
        TSortedStringList list;
        QString error;
        LoadLedger(list, LedgerFile(), error);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_LoadLedger)->Unit(benchmark::kMillisecond);

void BM_SaveLedger(benchmark::State& state)
{
    TSortedStringList list;
    QString error;
    LoadLedger(list, LedgerFile(), error);
    const QString out = LedgerFile() + ".saved";
    for (auto _ : state) {
        QFile::remove(out);
        SaveLedger(list, out, error);
    }
}
BENCHMARK(BM_SaveLedger)->Unit(benchmark::kMillisecond);

void BM_SortDashF(benchmark::State& state)
{
    const QByteArray command = "LC_ALL=C.UTF-8 sort -f '" + QFile::encodeName(LedgerFile()) + "' > /dev/null";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.constData()));
}
BENCHMARK(BM_SortDashF)->Unit(benchmark::kMillisecond);

const TSortedStringList& LoadedLedger()
{
    static TSortedStringList list;
    if (list.Count() == 0) {
        QString error;
        LoadLedger(list, LedgerFile(), error);
    }
    return list;
}

QStringList LookupNames()
{
    const TSortedStringList& list = LoadedLedger();
    QStringList names;
    std::mt19937 random(11);
    for (int i = 0; i < 10000; ++i) {
        const QString& line = list.Get(static_cast<int>(random() % static_cast<unsigned>(list.Count())));
        // Half of them absent, as in the daily pass.
        names.append(i % 2 ? line.left(line.indexOf('=')) : "29990101" + QString::number(1000 + i % 9000) + "-crm.grb");
    }
    return names;
}

int LinearIndexOfName(const TSortedStringList& list, const QString& name)
{
    for (int i = 0; i < list.Count(); ++i) {
        const QString& line = list.Get(i);
        const int eq = line.indexOf('=');
        if (eq >= 0 && SameTextLocale(line.left(eq), name))
            return i;
    }
    return -1;
}

void BM_IndexOfName10000(benchmark::State& state)
{
    const TSortedStringList& list = LoadedLedger();
    const QStringList names = LookupNames();
    for (auto _ : state)
        for (const QString& n : names)
            benchmark::DoNotOptimize(list.IndexOfName(n));
}
BENCHMARK(BM_IndexOfName10000)->Unit(benchmark::kMillisecond);

// The plain scan, on 100 of the names (10,000 would take minutes); compare per lookup.
void BM_LinearScan100(benchmark::State& state)
{
    const TSortedStringList& list = LoadedLedger();
    const QStringList names = LookupNames().mid(0, 100);
    for (auto _ : state)
        for (const QString& n : names)
            benchmark::DoNotOptimize(LinearIndexOfName(list, n));
}
BENCHMARK(BM_LinearScan100)->Unit(benchmark::kMillisecond)->Iterations(1);

// 17,800 new lines that each sort before all 200,000 present, added one by
// one from the last to the first: the order that moved the whole list for
// every line (10 s before; a merge of a sorted batch would take about 0.9 s).
void BM_AddBeforeAll17800(benchmark::State& state)
{
    QStringList existing;
    for (int i = 0; i < 200000; ++i)
        existing.append(QStringLiteral("2021%1-crm.grb=%2").arg(1000000 + i).arg(i % 4000));
    QStringList added;
    for (int i = 17800 - 1; i >= 0; --i)
        added.append(QStringLiteral("2011%1-crm.grb=%2").arg(1000000 + i).arg(i % 4000));
    for (auto _ : state) {
        state.PauseTiming();
        TSortedStringList list;
        list.Assign(existing);
        state.ResumeTiming();
        for (const QString& line : added)
            list.Add(line);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_AddBeforeAll17800)->Unit(benchmark::kMillisecond);

void BM_LedgerCsv(benchmark::State& state)
{
    const TSortedStringList& list = LoadedLedger();
    for (auto _ : state) {
        const TLedgerEntries entries(list);
        benchmark::DoNotOptimize(LedgerCsv({{"crm", &entries}}).size());
    }
}
BENCHMARK(BM_LedgerCsv)->Unit(benchmark::kMillisecond);

// Ten years of a product every 15 minutes up to now (350,000 lines, a few
// gaps and late ones).
const QStringList& StationLines()
{
    static const QStringList lines = [] {
        const int64_t now = DateTimeToUnixMs(NowUTC()) / 900000 * 900000;
        QStringList all;
        all.reserve(LineCount);
        for (int i = LineCount - 1; i >= 0; --i) {
            if (i % 997 == 5)
                continue;
            TDateParts d;
            TTimeParts t;
            const TDateTime nominal = UnixMsToDateTime(now - static_cast<int64_t>(i) * 900000);
            TryDecodeDate(nominal, d);
            TryDecodeTime(nominal, t);
            all.append(QString::asprintf("%04d%02d%02d%02d%02d-crm.grb=%d", d.Year, d.Month, d.Day, t.Hour, t.Minute,
                                         i % 53 == 0 ? 3000 : 60 + i % 1900));
        }
        return all;
    }();
    return lines;
}

// Every completeness figure, the schedule learned, from the whole ledger parsed.
void BM_CompletenessWholeLedger(benchmark::State& state)
{
    static const std::vector<TLedgerEntry> entries = ParseLedgerLines(StationLines());
    for (auto _ : state) {
        const TDateTime now = NowUTC();
        const TStationCompleteness c = AssessCompleteness(entries, LearnSchedule(entries, now), now, {});
        benchmark::DoNotOptimize(c.Last30Days.Received);
    }
}
BENCHMARK(BM_CompletenessWholeLedger)->Unit(benchmark::kMillisecond);

// What -check, -metrics and -report add to a steady-state run: the month read
// back from the end of the loaded ledger, the figures and the three texts.
void BM_CompletenessOutputs(benchmark::State& state)
{
    static const TSortedStringList ledger = [] {
        TSortedStringList list;
        list.Assign(StationLines());
        return list;
    }();
    for (auto _ : state) {
        const TDateTime now = NowUTC();
        TLedgerEntries entries(ledger);
        TFamilyRules rules;
        rules.Name = "crm";
        rules.Unit = TFigureUnit::Product;
        const std::vector<TFamilyReading> readings{ReadFamily(rules, entries, now)};
        benchmark::DoNotOptimize(CheckFamilies(readings).Line.size());
        benchmark::DoNotOptimize(MetricsText({"/srv/data/", now, 1, true}, readings).size());
        benchmark::DoNotOptimize(CompletenessReportCsv({{"crm", &readings.front().Completeness}}).size());
    }
}
BENCHMARK(BM_CompletenessOutputs)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    // The answers must agree before the times mean anything.
    const TSortedStringList& list = LoadedLedger();
    for (const QString& n : LookupNames().mid(0, 50))
        if (list.IndexOfName(n) != LinearIndexOfName(list, n)) {
            std::fprintf(stderr, "IndexOfName disagrees with the scan for %s\n", qPrintable(n));
            return 1;
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
