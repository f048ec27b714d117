#include "station/FamilyPass.h"

#include "station/DayWalk.h"
#include "station/ProductFile.h"
#include "station/Utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr int64_t MsPerMinute = 60000;
// The days the reports read: the 30-day figures and the product before them.
constexpr int RecentDays = 31;

int64_t DayOf(TDateTime t) { return static_cast<int64_t>(std::floor(t)); }

}  // namespace

TFamilyPass::TFamilyPass(TFamily family, QString ledgerFile, TLedgerWait wait)
    : FFamily(std::move(family)), FLedgerFile(std::move(ledgerFile)), FWait(std::move(wait))
{
    if (FFamily.BuiltInCrm) {
        FCrmLedger = std::make_unique<TSortedStringList>();
        FCrmMask.emplace(QStringLiteral("2*crm.grb"));
    } else {
        FDays = std::make_unique<TFamilyDayLedger>(FLedgerFile, FFamily.KeepDays, FWait);
        QString error;
        FPattern = TFilePattern::Parse(FFamily.Pattern, error);
    }
}

TFamilyPass::~TFamilyPass() = default;

const TSortedStringList& TFamilyPass::Ledger() const
{
    if (FCrmLedger)
        return *FCrmLedger;
    LoadRecentOnce();
    return FDays->Lines();
}

void TFamilyPass::LoadRecentOnce() const
{
    if (!FDays || FRecentLoaded)
        return;
    QString error;
    if (!LoadRecentDays(NowUTC(), error) && FWait.Announce)
        FWait.Announce(error);
}

TLedgerEntries& TFamilyPass::Entries() const
{
    LoadRecentOnce();
    // A family's loaded days are gathered anew after every change.
    if (FDays && FEntriesGeneration != FDays->Generation()) {
        FEntries.reset();
        FEntriesGeneration = FDays->Generation();
    }
    if (!FEntries)
        FEntries.emplace(Ledger(), FCrmLedger ? TLedgerNames::Product : TLedgerNames::Timed);
    return *FEntries;
}

bool TFamilyPass::LoadRecentDays(TDateTime today, QString& error) const
{
    FRecentLoaded = true;
    bool fine = true;
    if (FDays)
        for (int64_t day = DayOf(today) - RecentDays; day <= DayOf(today); ++day)
            fine = FDays->LoadDay(day, error) && fine;
    FEntries.reset();
    return fine;
}

bool TFamilyPass::LoadAllDays(QString& error)
{
    FEntries.reset();
    return !FDays || FDays->LoadAllDays(error);
}

std::optional<TDateTime> TFamilyPass::Match(QByteArrayView name) const
{
    if (FCrmMask) {
        if (!FCrmMask->Matches(name.data(), static_cast<size_t>(name.size())))
            return std::nullopt;
        return FileNameToDateTime(QString::fromUtf8(name.first(std::min<qsizetype>(name.size(), 12))));
    }
    return FPattern ? FPattern->Match(name) : std::nullopt;
}

bool TFamilyPass::CrmDayRecorded(TDateTime day) const
{
    return !FCrmLedger->Values(ExpectedName1200(day)).isEmpty() || !FCrmLedger->Values(ExpectedName1315(day)).isEmpty();
}

bool TFamilyPass::DayComplete(TDateTime day, QString& error)
{
    if (!FDays || !FFamily.Expect || !FFamily.Expect->Known())
        return false;
    const int64_t d = DayOf(day);
    const bool loaded = FDays->LoadDay(d, error);
    const int64_t firstMinute = DateTimeToUnixMs(static_cast<TDateTime>(d)) / MsPerMinute;
    const int perSlot = FFamily.FilesPerSlot.value_or(1);
    for (const int minute : FFamily.Expect->SlotMinutes)
        if (FDays->ProductsAt(firstMinute + minute) < perSlot)
            return false;
    return loaded;
}

bool TFamilyPass::DayHoldsProducts(TDateTime day, QString& error)
{
    if (!FDays)
        return false;
    const int64_t d = DayOf(day);
    FDays->LoadDay(d, error);
    return FDays->DayHoldsProducts(d);
}

namespace {

// A family's ledger line starts with the nominal time, "YYYYMMDDHHMMSS ".
constexpr qsizetype TimePrefixLength = 15;

}  // namespace

TFamilyPass::TRecord TFamilyPass::Check(QByteArrayView rawName, TDateTime nominal, QString& error)
{
    // The line's name as it would read: the name decides whether the product
    // is new before the file's times are read.
    qsizetype nameLength = 0;
    const TProductName::TProblem problem = ProductLineUtf8(rawName, TFileTimes{}, FName, nameLength);
    if (problem == TProductName::TProblem::NotUtf8)
        return TRecord::NotUtf8;
    if (problem != TProductName::TProblem::None)
        return TRecord::NotRecordable;
    FName.truncate(nameLength);
    if (!FDays)
        return FCrmLedger->ContainsNameUtf8(FName) ? TRecord::Known : TRecord::New;
    FName.prepend(TimePrefixLength, ' ');
    WriteTimePrefix(nominal, FName.data());
    const int64_t day = DayOf(nominal);
    if (!FDays->DayLoaded(day))
        FDays->LoadDay(day, error);
    return FDays->Contains(day, FName) ? TRecord::Known : TRecord::New;
}

TFamilyPass::TRecord TFamilyPass::Record(QByteArrayView checkedName, TDateTime nominal,
                                         const std::optional<TFileStatus>& status)
{
    if (!status || status->Kind != TFileStatus::TKind::Regular)
        return TRecord::Known;
    TFileTimes times = status->Times;
    if (FFamily.Delay == TDelaySource::NameTime)
        times.LastWriteMs = DateTimeToUnixMs(nominal);
    char digits[24];
    const auto [end, problem] = std::to_chars(digits, digits + sizeof digits, DelaySeconds(times));
    FLine.resize(checkedName.size() + 1 + (end - digits));
    char* out = std::copy(checkedName.begin(), checkedName.end(), FLine.data());
    *out++ = '=';
    std::copy(digits, end, out);
    if (FDays) {
        // Add refuses a name recorded since the check.
        if (!FDays->Add(DayOf(nominal), FLine))
            return TRecord::Known;
    } else if (FCrmLedger->ContainsNameUtf8(checkedName) || FCrmLedger->AddUtf8(FLine) < 0) {
        return TRecord::Known;
    }
    ++FProductsRecorded;
    FEntries.reset();
    return TRecord::Added;
}

bool TFamilyPass::SaveFamilyLedger(TDateTime today, QString& error)
{
    // A family's entries follow its ledger's generation (Entries()).
    if (FDays)
        return FDays->Save(today, error);
    const int before = FCrmLedger->Count();
    const bool saved = SaveLedger(*FCrmLedger, FLedgerFile, error, FWait);
    if (FCrmLedger->Count() != before)
        FEntries.reset();
    return saved;
}
