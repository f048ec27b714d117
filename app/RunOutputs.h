#pragma once
// What a run leaves for others once its ledger is saved: the CSV of the
// ledger (-csv), the daily completeness report (-report), the metrics file
// (-metrics) and the health check's line (-check), and the exit status they
// call for.
#include "app/CommandLine.h"
#include "platform/DateTime.h"
#include "platform/SortedStringList.h"
#include "report/FamilyReading.h"
#include "station/DelayHistogram.h"
#include "station/LedgerEntries.h"

#include <QString>
#include <cstdio>
#include <vector>

class TStationPass;
class TStopSignals;

// One product family of a run.
struct TRunFamily
{
    TFamilyRules Rules;
    const TSortedStringList* Ledger = nullptr;
    TLedgerEntries* Entries = nullptr;  // the pass's, over Ledger; null: read from Ledger here
    // What the figures read (the pass's month); null: the entries above.
    const TLedgerView* View = nullptr;
    QString Problem;  // why its folder could not be walked; empty when it could
    int ProductsRecorded = 0;
    const TDelayHistogram* Delays = nullptr;  // null: no histogram series
    QString ClaimedBy;  // of a family without products (TFamilyReading)
    std::optional<int> DayFoldersFound;  // the walk's for the family; none: the run's
};

struct TRunRecord
{
    QString DataFolder;
    QString DataFolderProblem;         // empty when the folder could be walked
    std::vector<TRunFamily> Families;  // in the families file's order
    QString LedgerFile;
    bool LedgerSaved = true;
    bool ChartWritten = true;    // the -png image, when one was asked for
    bool HistoryWritten = true;  // the -history-png image, when one was asked for
    int DayFoldersFound = 0;
    // Why the station watches nothing (StationPass.h); the check cannot vouch for it.
    QString WatchesNothing;
    double PassSeconds = 0;
    int StopSignal = 0;
    TDateTime Now = 0;
};

// The pass after its save; chartWritten, historyWritten: false when a
// requested image was not written. wholeLedgers: every line of each ledger
// (the CSV), else only what the figures read.
TRunRecord RecordOfRun(const TStationPass& pass, bool chartWritten, int stopSignal, bool historyWritten = true,
                       bool wholeLedgers = true);

// Writes the requested outputs (a file that cannot be written is one line on
// err) and, with -check, prints the verdict on out. Returns the exit status:
// with -check 0 to 3 (3 when anything failed; a family whose folder failed is
// unknown on its own when there are several), otherwise 1 when anything or
// any family failed and 0 when not. Metrics are written for a failed run too,
// saying so. Every output reads the one reading of each family.
int FinishRun(const TCommandLine& line, const TRunRecord& run, std::FILE* out, std::FILE* err);

// What every run ends with once its ledger is saved: the outputs (FinishRun),
// and when a stop signal came, its message and the status 128 + its number.
int FinishPass(const TCommandLine& line, const TStationPass& pass, bool chartWritten, bool historyWritten,
               TStopSignals& stopSignals);
