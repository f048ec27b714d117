#pragma once
// One run of the station from start to end: the data folder and the ledger
// it settles on (settings, arguments, user folders), the ledger loaded, the
// walk back over the day folders recording every new product, the safe save,
// and the ledger's entries parsed once for every report. It knows nothing of
// windows: the window, a scheduled run and a monitoring server's check all
// run this same pass.
#include "platform/SortedStringList.h"
#include "station/FamilyPass.h"
#include "station/FamilyWalk.h"
#include "station/LedgerEntries.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TTreeScanner;

class TStationPass
{
public:
    // One line for standard error, without the program's name.
    using TReportFailure = std::function<void(const QString& message)>;

    // positional: [0] the data folder, [1] the ledger file (both optional).
    // Reads the settings, settles the data folder and the ledgers, and loads
    // them; failures are reported and the pass goes on with what it has.
    // families: the families to watch (Families.h), in the file's order;
    // the built-in crm family alone when none are given.
    TStationPass(const QStringList& positional, TReportFailure reportFailure, std::vector<TFamily> families = {});
    ~TStationPass();
    TStationPass(const TStationPass&) = delete;
    TStationPass& operator=(const TStationPass&) = delete;

    const QString& DataFolder() const { return FDataFolder; }
    // Why the data folder cannot be walked; empty when it can.
    const QString& DataFolderProblem() const { return FDataFolderProblem; }
    // The first family's ledger file.
    const QString& LedgerFile() const { return FirstFamily().LedgerFile(); }

    // The families of the run, in the families file's order (crm first
    // unless it is dropped); never empty.
    const std::vector<std::unique_ptr<TFamilyPass>>& Families() const { return FFamilies; }

    // Walks back from today's UTC date over the day folders below folder
    // (the data folder) that the ledgers do not know yet and records every
    // product found (FamilyWalk.h; the crm family alone walks as it always
    // did, DayWalk.h). onIteration is called at the start of every day's
    // iteration with its index. Pending events are dispatched at every folder.
    void Walk(const QString& folder, const std::function<void(int index)>& onIteration = {});
    // A stop signal: the walk ends at the next folder. Also before a walk.
    void RequestStop();
    bool StopRequested() const { return FStopRequested; }
    bool Walking() const { return FWalking; }
    // Day folders the walk found (each day folder it searched that exists);
    // a family's own are in its WalkCounts().
    int DayFoldersFound() const { return FDayFoldersFound; }
    // Why a family may have no product: the earlier family of the file that
    // owns the files its pattern matches (FamilyWalk.h); read on demand.
    std::optional<TClaim> ClaimedBy(const TFamilyPass& family) const;
    // Why this station watches nothing, for a monitoring server: no data
    // folder set, or none of the walk's day folders in it and no product in
    // the ledger. Empty when it watches something.
    QString WatchesNothing() const;
    // Lines the walk added to the first family's ledger, and how long the walk took.
    int ProductsRecorded() const { return FirstFamily().ProductsRecorded(); }
    double WalkSeconds() const { return FWalkSeconds; }

    // Saves every family's ledger through its locked, merging save, once:
    // later calls give the first call's result. False when a save failed.
    bool Save();
    bool Saved() const { return FSaveResult.value_or(false); }

    // The first family's ledger and its entries for the reports, each line
    // parsed at most once (LedgerEntries.h).
    const TSortedStringList& Ledger() const { return FirstFamily().Ledger(); }
    TLedgerEntries& Entries() const { return FirstFamily().Entries(); }

    TTreeScanner* TreeScanner() const { return FTreeScanner.get(); }

private:
    // The crm family alone, in its default day folders: the walk of the CRM rules.
    bool CrmAlone() const;
    const TFamilyPass& FirstFamily() const { return *FFamilies.front(); }
    TFamilyPass& FirstFamily() { return *FFamilies.front(); }
    // Records one file the scanner found.
    void TreeScannerFileFound();
    // A folder of the family that the walk could not list (error: errno).
    void FolderUnlisted(TFamilyPass& family, const QString& folder, int error, std::optional<TDateTime> day);

    TReportFailure FReportFailure;
    QString FDataFolder;
    QString FDataFolderProblem;
    std::vector<std::unique_ptr<TFamilyPass>> FFamilies;
    std::unique_ptr<TTreeScanner> FTreeScanner;
    QByteArray FLineBuffer;  // the ledger line of the file being recorded, its room reused
    bool FDataFolderFromSettings = false;
    int FDayFoldersFound = 0;
    int FFilesFound = 0;  // files the scanner reported, for a listing that found none
    TDateTime FWalkNow = 0;
    double FWalkSeconds = 0;
    bool FWalking = false;
    bool FStopRequested = false;
    std::optional<bool> FSaveResult;
};
