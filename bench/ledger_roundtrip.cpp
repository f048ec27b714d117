// Loads a ledger and saves it in place, as a run of the program does, and
// prints how long each took, in milliseconds: "load_ms save_ms lines".
// bench/compare_peers.sh times it beside sort -f of the same file.
#include "station/Ledger.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ledger_roundtrip LEDGER\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    TSortedStringList list;
    QString error;
    if (LoadLedger(list, path, error) != TLoadResult::Loaded) {
        std::fprintf(stderr, "ledger_roundtrip: cannot load %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    const auto t1 = Clock::now();
    if (!SaveLedger(list, path, error)) {
        std::fprintf(stderr, "ledger_roundtrip: %s\n", qPrintable(error));
        return 1;
    }
    const auto t2 = Clock::now();
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%.3f %.3f %d\n", ms(t1 - t0), ms(t2 - t1), list.Count());
    return 0;
}
