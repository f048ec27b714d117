#include "station/FamilyPass.h"

TFamilyPass::TFamilyPass(TFamily family, QString ledgerFile)
    : FFamily(std::move(family)), FLedgerFile(std::move(ledgerFile)), FLedger(std::make_unique<TSortedStringList>())
{}

TFamilyPass::~TFamilyPass() = default;

TLedgerEntries& TFamilyPass::Entries() const
{
    if (!FEntries)
        FEntries.emplace(*FLedger);
    return *FEntries;
}
