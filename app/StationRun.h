#pragma once
// The pass sequence, written once for the window and the unattended run:
// load (the settings, the data folder, the ledger), walk, show and draw what
// it found, then save and write the outputs. A window left open may scan
// again later on the same run.
#include "app/CommandLine.h"
#include "platform/StopSignals.h"
#include "report/DelaySummary.h"
#include "report/FamilyReading.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TStationPass;

// Writes the families' charts to a file as -png asks; false (reported) when it cannot.
using TSaveChart =
    std::function<bool(const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file)>;
// Writes the families' completeness maps as -history-png asks; false (reported) when it cannot.
using TSaveHistory =
    std::function<bool(const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file)>;

// What a scan shows and draws; each may be empty. Without a drawing, a
// picture the line asks for fails (reported) and the rest runs.
struct TScanViews
{
    // At the start of every day's iteration of the walk, with its index.
    std::function<void(int index)> OnIteration;
    // The walk is over: one reading of every family, in the pass's order.
    std::function<void(const std::vector<TFamilyReading>& families)> OnFamilies;
    TSaveChart SaveChart;      // -png
    TSaveHistory SaveHistory;  // -history-png
};

class TStationRun
{
public:
    // Loads the pass; failures are reported and the run goes on with what it has.
    explicit TStationRun(const TCommandLine& line);
    ~TStationRun();
    TStationRun(const TStationRun&) = delete;
    TStationRun& operator=(const TStationRun&) = delete;

    const TCommandLine& Line() const { return FLine; }
    TStationPass& Pass() const { return *FPass; }
    // SIGTERM, SIGINT and SIGHUP from the run's start to its end; the caller
    // decides what a stop does (a window closes itself too).
    TStopSignals& StopSignals() { return FStopSignals; }

    // Walks the data folder, then shows the families' readings, writes the
    // pictures (the charts and the maps of every family) and,
    // for a run that ends after the pass, prints each family's summary on
    // standard output.
    void Scan(const TScanViews& views);
    // A later scan: what the pass recorded is saved, the ledger is loaded
    // anew (with what others saved meanwhile) and walked again.
    void ScanAgain(const TScanViews& views);

    // Saves the ledger (once per pass) and writes the outputs; the exit status.
    int Finish();

    // What the current pass reported since it was loaded, each line also on
    // standard error: a window shows why its scan failed.
    const QStringList& Reports() const { return FReports; }

private:
    // A new pass for the run's data folder and ledger, read anew.
    std::unique_ptr<TStationPass> LoadPass();
    // One line on standard error, kept in Reports().
    void Report(const QString& message);

    TCommandLine FLine;
    TStopSignals FStopSignals;
    QStringList FReports;
    std::unique_ptr<TStationPass> FPass;
    bool FChartWritten = true;
    bool FHistoryWritten = true;
};
