#pragma once
// One family's share of a station pass: its ledger (loaded, added to by the
// walk, saved), its entries for the reports, and what went wrong with its
// folder. The built-in crm family keeps the one ledger file of the CRM rules;
// every other family keeps its ledger by day (FamilyDayLedger.h).
#include "platform/FileTimes.h"
#include "platform/SortedStringList.h"
#include "scan/Wildcard.h"
#include "station/DelayHistogram.h"
#include "station/Family.h"
#include "station/FamilyDayLedger.h"
#include "station/FilePattern.h"
#include "station/ListingMemo.h"
#include "station/LedgerEntries.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

class TFamilyPass
{
public:
    // ledgerFile: the CRM ledger for the built-in family, else the family's
    // ledger folder (ending with '/').
    TFamilyPass(TFamily family, QString ledgerFile, TLedgerWait wait = TLedgerWait());
    ~TFamilyPass();
    TFamilyPass(const TFamilyPass&) = delete;
    TFamilyPass& operator=(const TFamilyPass&) = delete;

    const TFamily& Family() const { return FFamily; }
    const QString& LedgerFile() const { return FLedgerFile; }
    // Why the family's folder cannot be walked; empty when it can.
    const QString& FolderProblem() const { return FFolderProblem; }
    void SetFolderProblem(const QString& problem) { FFolderProblem = problem; }
    // A folder of the family that the walk could not list, with why: the
    // family failed, and the slots of that day (of every day: none, a flat
    // folder) count as unmeasured, not missing.
    void FolderUnlisted(const QString& message, std::optional<TDateTime> day);
    // Lines the walk added to the family's ledger.
    int ProductsRecorded() const { return FProductsRecorded; }
    // What the walk did for the family: the day folders it searched that
    // exist, those it listed and those its memo found unchanged, and the
    // names it took as its products in them.
    struct TWalkCounts
    {
        int FoldersFound = 0, FoldersListed = 0, FoldersUnchanged = 0, NamesMatched = 0;
    };
    const TWalkCounts& WalkCounts() const { return FWalkCounts; }
    TWalkCounts& CountWalk() { return FWalkCounts; }
    // Products of the days the reports read (the 31 days up to today) that
    // the family's current pattern no longer matches: they stay in the
    // ledger and count for nothing. 0 for the built-in family.
    int UnmatchedProducts(TDateTime today) const;

    // The ledger as loaded: the CRM ledger, or the loaded days of a family's
    // (the recent days among them, as for Entries()).
    const TSortedStringList& Ledger() const;
    // The CRM ledger itself, for its load; null for the other families.
    TSortedStringList* CrmLedger() { return FCrmLedger.get(); }
    // The ledger's entries, oldest first, the nominal time of each from the
    // family's name rule; made anew when the walk or the save changes the ledger.
    TLedgerEntries& Entries() const;
    void LedgerChanged() { FEntries.reset(); }
    // A product the CRM walk recorded itself, with its delay.
    void CountRecorded(int64_t delaySeconds)
    {
        ++FProductsRecorded;
        FRecordedDelays.push_back(delaySeconds);
    }

    // What the figures read at `now`: for the built-in family its whole
    // ledger; for the others the lines of the newest days, whole, as many as
    // the newest `newestSlots` slots need (the chart's bars; -1: every day of the
    // month, so that each slot names its product), and the digests of the
    // month's days before them. Made anew when the ledger changes.
    const TLedgerView& View(TDateTime now, int newestSlots) const;

    // A family's days that the reports read (the 31 days up to today), or
    // every day it holds; the CRM ledger is always whole. False, with error,
    // when a day could not be read. Entries() loads the recent days itself,
    // so a run that reports nothing of a family never reads its past.
    bool LoadRecentDays(TDateTime today, QString& error) const;
    bool LoadAllDays(QString& error);

    // The walk's side. The family's nominal time of a file name, when the
    // name is one of its products.
    std::optional<TDateTime> Match(QByteArrayView name) const;
    // The CRM rule: a day is recorded when one of its two expected products is.
    bool CrmDayRecorded(TDateTime day) const;

    enum class TRecord { Added, New, Known, NotUtf8, NotRecordable };
    // Whether a product is new to the ledger (New), from its name alone, so
    // that only new products have their file's times read; its day of the
    // ledger is loaded first (error: why it could not be).
    TRecord Check(QByteArrayView rawName, TDateTime nominal, QString& error);
    // The product's name in the ledger, as the last Check made it: in the
    // CRM ledger the lower-cased name; in a family's own ledger the name as
    // it is on disk, after the nominal time.
    QByteArrayView CheckedName() const { return FName; }
    // Records a product Check found new, given its CheckedName and its file's
    // status (nothing: the file has gone): Added, or Known when it is no
    // regular file or its name was recorded since.
    TRecord Record(QByteArrayView checkedName, TDateTime nominal, const std::optional<TFileStatus>& status);
    // The delay of the product the last Record added.
    int64_t RecordedDelaySeconds() const { return FRecordedDelay; }

    // The walk's memo of the folders it listed (ListingMemo.h); the built-in
    // family keeps none. Unchanged: nothing new for this family in the
    // folder since a listing that left nothing to record.
    bool FolderUnchanged(const QByteArray& folder, const TFolderStamp& stamp);
    void BeginFolder();
    // A listing of the folder is over; clean: it recorded all it found and
    // no earlier family claimed a name in it that this one matches too.
    void FolderListed(const QByteArray& folder, const TFolderStamp& stamp, int64_t startMs, bool clean);

    // Saves what the walk added (and the lines other runs saved meanwhile);
    // a family's ledger also archives its old days. False, with error, on failure.
    bool SaveFamilyLedger(TDateTime today, QString& error);

    // The delay histogram (DelayHistogram.h). After a save of the ledger, the
    // slots this pass completed are added to it; false, with error, when
    // they could not be (the ledger keeps its products all the same).
    bool KeepDelayHistogram(QString& error);
    // As kept after this pass's save, or else as its file holds it.
    const TDelayHistogram& DelayHistogram() const;
    // The files a slot holds for a family that does not give them: learned
    // as the figures learn them (1 without a rule).
    void SetFilesPerSlotRule(std::function<int(const TFamilyPass&)> rule) { FFilesPerSlotRule = std::move(rule); }

private:
    TFamily FFamily;
    QString FLedgerFile;
    TLedgerWait FWait;
    QString FFolderProblem;
    int FProductsRecorded = 0;
    TUnlistedDays FUnlisted;
    QString FFirstUnlisted;
    int FFoldersUnlisted = 0;
    int64_t FRecordedDelay = 0;
    TWalkCounts FWalkCounts;
    std::optional<TFilePattern> FPattern;
    std::unique_ptr<TSortedStringList> FCrmLedger;
    std::unique_ptr<TFamilyDayLedger> FDays;
    std::unique_ptr<TListingMemo> FMemo;
    std::optional<TWildcard> FCrmMask;
    QByteArray FLine;  // the line being recorded, its room reused
    QByteArray FName;  // the name being checked, its room reused
    mutable std::optional<TLedgerEntries> FEntries;
    mutable int FEntriesGeneration = -1;
    mutable bool FRecentLoaded = false;
    // The last view and what it was made for.
    mutable TLedgerView FView;
    mutable std::unique_ptr<TSortedStringList> FViewLines;
    mutable std::optional<TLedgerEntries> FViewEntries;
    mutable std::optional<std::tuple<int64_t, int, int>> FViewMadeFor;  // today, slots, generation
    // What this pass recorded for the histogram: a crm product's delay, or
    // another family's products per nominal minute (minutes since 1970).
    std::vector<int64_t> FRecordedDelays;
    std::unordered_map<int64_t, int> FRecordedPerMinute;
    std::function<int(const TFamilyPass&)> FFilesPerSlotRule;
    mutable std::optional<TDelayHistogram> FDelayHistogram;

    // Loads the recent days of a family's ledger once, before anything reads
    // them, so that what Ledger() and Entries() give stays as it is.
    void LoadRecentOnce() const;
};
