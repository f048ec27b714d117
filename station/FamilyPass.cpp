#include "station/FamilyPass.h"

#include "station/DayWalk.h"
#include "station/ProductFile.h"
#include "station/Utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// The days the reports read: the 30-day figures and the product before them.
constexpr int RecentDays = 31;

constexpr int64_t MsPerMinute = 60000;

int64_t DayOf(TDateTime t) { return static_cast<int64_t>(std::floor(t)); }

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

TFamilyPass::TFamilyPass(TFamily family, QString ledgerFile, TLedgerWait wait)
    : FFamily(std::move(family)), FLedgerFile(std::move(ledgerFile)), FWait(std::move(wait))
{
    if (FFamily.BuiltInCrm) {
        FCrmLedger = std::make_unique<TSortedStringList>();
        FCrmMask.emplace(QStringLiteral("2*crm.grb"));
    } else {
        QString error;
        FPattern = TFilePattern::Parse(FFamily.Pattern, error);
        FDays =
            std::make_unique<TFamilyDayLedger>(FLedgerFile, FFamily.KeepDays, FWait, FPattern ? &*FPattern : nullptr);
        // What decides which of a folder's files the family records.
        const QString rules =
            QStringList{FFamily.Folder, FFamily.Pattern, QString::number(static_cast<int>(FFamily.Delay)),
                        QString::number(FFamily.KeepDays.value_or(-1))}
                .join(QLatin1Char('\n'));
        FMemo = std::make_unique<TListingMemo>(FLedgerFile + QStringLiteral("listed.txt"), rules.toUtf8());
    }
}

TFamilyPass::~TFamilyPass() = default;

void TFamilyPass::FolderUnlisted(const QString& message, std::optional<TDateTime> day)
{
    if (day)
        FUnlisted.Days.insert(DayOf(*day));
    else
        FUnlisted.All = true;
    if (FFoldersUnlisted++ == 0)
        FFirstUnlisted = message;
    FFolderProblem = FFoldersUnlisted == 1
                         ? FFirstUnlisted
                         : QStringLiteral("%1 (and %2 more folders)").arg(FFirstUnlisted).arg(FFoldersUnlisted - 1);
}

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
        FEntries.emplace(Ledger(), FCrmLedger ? TLedgerNames::Product : TLedgerNames::Timed,
                         FPattern ? &*FPattern : nullptr);
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

int TFamilyPass::UnmatchedProducts(TDateTime today) const
{
    int unmatched = 0;
    QString error;
    if (FDays)
        for (int64_t day = DayOf(today) - RecentDays; day <= DayOf(today); ++day)
            unmatched += FDays->Digest(day, error).Unmatched;
    return unmatched;
}

const TLedgerView& TFamilyPass::View(TDateTime now, int newestSlots) const
{
    const int64_t today = DayOf(now);
    const int generation = FDays ? FDays->Generation() : FCrmLedger->Count();
    if (FViewMadeFor == std::make_tuple(today, newestSlots, generation))
        return FView;
    FView = TLedgerView();
    FView.Unlisted = &FUnlisted;
    FViewLines.reset();
    if (FCrmLedger) {
        FView.Entries = &Entries();
        FView.Lines = FCrmLedger->Count();
    } else {
        QString error;
        const int64_t first = today - RecentDays;
        std::vector<const TDayDigest*> digests;
        int most = 1;
        for (int64_t day = first; day <= today; ++day) {
            digests.push_back(&FDays->Digest(day, error));
            most = std::max(most, digests.back()->MostProductsAtOneTime());
            FView.Lines += digests.back()->Lines;
        }
        // The chart takes the lines of its slots from the newest days, not
        // counting today's products named in the future.
        const int64_t wanted = static_cast<int64_t>(newestSlots) * FFamily.FilesPerSlot.value_or(most);
        int64_t firstWhole = newestSlots < 0 ? first : today;
        int64_t present = digests.back()->Lines;
        for (const TProductGroup& group : digests.back()->Groups)
            present -= IsNamedInFuture(UnixMsToDateTime(group.Ms), now) ? group.Count : 0;
        for (int64_t lines = present; firstWhole > first && lines < wanted;)
            lines += digests[static_cast<size_t>(--firstWhole - first)]->Lines;
        // A day loaded now has its digest made anew, from the lines the chart reads.
        for (int64_t day = firstWhole; day <= today; ++day)
            if (!FDays->DayLoaded(day)) {
                FDays->LoadDay(day, error);
                digests[static_cast<size_t>(day - first)] = &FDays->Digest(day, error);
            }
        // Days after the last that may hold a present product hold only products
        // named in the future, counted but never read as the newest.
        const int64_t last = DayOf(UnixMsToDateTime(DateTimeToUnixMs(now) + int64_t{ClockToleranceSeconds} * 1000));
        std::vector<int64_t> later;
        FView.HoldsOlder = FDays->HoldsDaysBefore(first, last, &later);
        for (const int64_t day : later)
            for (const TProductGroup& group : FDays->Digest(day, error).Groups)
                FView.FutureProducts += group.Count;
        if (!error.isEmpty() && FWait.Announce)
            FWait.Announce(error);
        if (newestSlots >= 0)
            FView.Days = std::move(digests);
        FViewEntries.emplace(FDays->LinesFrom(firstWhole, FViewLines, false, last), TLedgerNames::Timed,
                             FPattern ? &*FPattern : nullptr);
        FView.Entries = &*FViewEntries;
    }
    FViewMadeFor = std::make_tuple(today, newestSlots, FDays ? FDays->Generation() : FCrmLedger->Count());
    return FView;
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
    const TProductName::TProblem problem = ProductLineUtf8(rawName, TFileTimes{}, FName, nameLength, FDays != nullptr);
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
    const int64_t seconds = DelaySeconds(times);
    char digits[24];
    const auto [end, problem] = std::to_chars(digits, digits + sizeof digits, seconds);
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
    FRecordedDelay = seconds;
    if (FDays)
        ++FRecordedPerMinute[FloorDiv(DateTimeToUnixMs(nominal), MsPerMinute)];
    else
        FRecordedDelays.push_back(seconds);
    FEntries.reset();
    return TRecord::Added;
}

bool TFamilyPass::FolderUnchanged(const QByteArray& folder, const TFolderStamp& stamp)
{
    return FMemo && FMemo->Unchanged(folder, stamp, [this](int64_t day) { return FDays->CurrentIdentity(day); });
}

void TFamilyPass::BeginFolder()
{
    if (FDays)
        FDays->TakeDaysAsked();
}

void TFamilyPass::FolderListed(const QByteArray& folder, const TFolderStamp& stamp, int64_t startMs, bool clean)
{
    if (FMemo && clean)
        FMemo->Listed(folder, stamp, startMs, FDays->TakeDaysAsked());
}

bool TFamilyPass::SaveFamilyLedger(TDateTime today, QString& error)
{
    // A family's entries follow its ledger's generation (Entries()).
    if (FDays) {
        if (!FDays->Save(today, error))
            return false;
        FMemo->Save([this](int64_t day) { return FDays->CurrentIdentity(day); });
        return true;
    }
    const int before = FCrmLedger->Count();
    const bool saved = SaveLedger(*FCrmLedger, FLedgerFile, error, FWait);
    if (FCrmLedger->Count() != before)
        FEntries.reset();
    return saved;
}

bool TFamilyPass::KeepDelayHistogram(QString& error)
{
    if (FRecordedDelays.empty() && FRecordedPerMinute.empty())
        return true;
    const int filesPerSlot = !FDays                 ? 1
                             : FFamily.FilesPerSlot ? *FFamily.FilesPerSlot
                             : FFilesPerSlotRule    ? FFilesPerSlotRule(*this)
                                                    : 1;
    auto change = [&](TDelayHistogram& histogram) {
        const int keptFilesPerSlot = histogram.FilesPerSlot;
        for (const int64_t seconds : FRecordedDelays)
            if (seconds >= 0)
                histogram.Observe(seconds);
        // A slot's files as the saved day holds them, with what other runs saved meanwhile.
        for (const auto& [minute, added] : FRecordedPerMinute) {
            QString dayError;
            const int64_t firstMs = minute * MsPerMinute;
            const TDayDigest& day = FDays->Digest(DayOf(UnixMsToDateTime(firstMs)), dayError);
            int files = 0;
            std::optional<int64_t> latest;
            for (auto group = std::lower_bound(day.Groups.begin(), day.Groups.end(), firstMs,
                                               [](const TProductGroup&g, int64_t ms) { return g.Ms < ms; });
                 group != day.Groups.end() && group->Ms < firstMs + MsPerMinute; ++group) {
                files += group->Count;
                if (group->Seconds)
                    latest = std::max<int64_t>(latest.value_or(*group->Seconds), *group->Seconds);
            }
            if (latest && *latest >= 0 && SlotCountsNow(files - added, files, keptFilesPerSlot, filesPerSlot))
                histogram.Observe(*latest);
        }
        histogram.FilesPerSlot = filesPerSlot;
    };
    TDelayHistogram kept;
    const bool saved = UpdateDelayHistogramFile(DelayHistogramFile(FLedgerFile), FWait.Wait, change, kept, error);
    if (saved)
        FDelayHistogram = kept;
    FRecordedDelays.clear();
    FRecordedPerMinute.clear();
    return saved;
}

const TDelayHistogram& TFamilyPass::DelayHistogram() const
{
    if (!FDelayHistogram) {
        QString error;
        if (!ReadDelayHistogramFile(DelayHistogramFile(FLedgerFile), FDelayHistogram.emplace(), error) &&
            FWait.Announce)
            FWait.Announce(error);
    }
    return *FDelayHistogram;
}
