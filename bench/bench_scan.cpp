// The tree scanner against find(1) on the same generated tree, in one run:
// 200 folders x 2,000 files, 5% matching "2*crm.grb", walked recursively.
// Prints the ratio of the scanner's wall time to find's.
#include "scan/TreeScan.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FolderCount = 200;
constexpr int FilesPerFolder = 2000;
constexpr int MatchingPerFolder = FilesPerFolder / 20;

QByteArray TreeRoot;

void GenerateTree(const QByteArray& root)
{
    // Near-misses make the matcher work: same prefix or same suffix as a product.
    const char* const misses[] = {"%s%04d-crm.txt", "x%s%04d-crm.grb", "%s%04d-abc.grb", "%s%04d-crm.grb.tmp"};
    for (int f = 0; f < FolderCount; ++f) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "/%04d", f);
        const QByteArray path = root + folder;
        mkdir(path.constData(), 0755);
        const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < FilesPerFolder; ++i) {
            char name[96];
            if (i % 20 == 0)
                std::snprintf(name, sizeof name, "%s%04d-crm.grb", "20210623", i);
            else
                std::snprintf(name, sizeof name, misses[i % 4], "20210623", i);
            close(openat(fd, name, O_CREAT | O_WRONLY, 0644));
        }
        close(fd);
    }
}

void BM_TreeScanner(benchmark::State& state)
{
    TTreeScanner scanner;
    scanner.SetFileMask("2*crm.grb");
    scanner.SetRecursive(true);
    int64_t found = 0;
    scanner.SetOnFileFound([&](TTreeScanner*) { ++found; });
    for (auto _ : state) {
        found = 0;
        scanner.SetInitialDirectory(QFile::decodeName(TreeRoot));
        scanner.Search();
    }
    if (found != int64_t(FolderCount) * MatchingPerFolder)
        state.SkipWithError("wrong number of files found");
    state.counters["files"] = static_cast<double>(found);
}

void BM_FindIname(benchmark::State& state)
{
    const std::string command = "find '" + TreeRoot.toStdString() + "' -iname '2*crm.grb' > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("find failed");
}

BENCHMARK(BM_TreeScanner)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FindIname)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps the wall time per iteration of each benchmark for the closing ratio.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                RealMs[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> RealMs;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // the walk dispatches events per folder, as in the program
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir(QDir::tempPath() + "/lagwatch-bench-XXXXXX");
    TreeRoot = QFile::encodeName(dir.path());
    GenerateTree(TreeRoot);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto scan = reporter.RealMs.find("BM_TreeScanner/min_time:2.000/real_time");
    const auto find = reporter.RealMs.find("BM_FindIname/min_time:2.000/real_time");
    if (scan != reporter.RealMs.end() && find != reporter.RealMs.end() && find->second > 0)
        std::printf("scanner / find wall-time ratio: %.2f (target <= 1.50)\n", scan->second / find->second);
    benchmark::Shutdown();
    return 0;
}
