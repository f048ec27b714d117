#pragma once
// One family's share of a station pass: its ledger (loaded, added to by the
// walk, saved), its entries for the reports, and what went wrong with its
// folder.
#include "platform/SortedStringList.h"
#include "station/Family.h"
#include "station/LedgerEntries.h"

#include <QString>
#include <memory>
#include <optional>

class TFamilyPass
{
public:
    TFamilyPass(TFamily family, QString ledgerFile);
    ~TFamilyPass();
    TFamilyPass(const TFamilyPass&) = delete;
    TFamilyPass& operator=(const TFamilyPass&) = delete;

    const TFamily& Family() const { return FFamily; }
    const QString& LedgerFile() const { return FLedgerFile; }
    // Why the family's folder cannot be walked; empty when it can.
    const QString& FolderProblem() const { return FFolderProblem; }
    void SetFolderProblem(const QString& problem) { FFolderProblem = problem; }
    // Lines the walk added to the family's ledger.
    int ProductsRecorded() const { return FProductsRecorded; }

    const TSortedStringList& Ledger() const { return *FLedger; }
    TSortedStringList& Ledger() { return *FLedger; }
    // The ledger's entries, newest last, each line parsed at most once; made
    // anew when the walk or the save changes the ledger.
    TLedgerEntries& Entries() const;
    void LedgerChanged() { FEntries.reset(); }
    void CountRecorded() { ++FProductsRecorded; }

private:
    TFamily FFamily;
    QString FLedgerFile;
    QString FFolderProblem;
    std::unique_ptr<TSortedStringList> FLedger;
    int FProductsRecorded = 0;
    mutable std::optional<TLedgerEntries> FEntries;
};
