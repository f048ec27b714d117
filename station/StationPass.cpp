#include "station/StationPass.h"

#include "platform/AtomicFile.h"

#include "platform/FileTimes.h"
#include "platform/PathBytes.h"
#include "platform/UserFolders.h"
#include "scan/TreeScan.h"
#include "station/DayWalk.h"
#include "station/FamilyFolder.h"
#include "station/FamilyWalk.h"
#include "station/FolderAccess.h"
#include "station/Ledger.h"
#include "station/StartupConfig.h"
#include "station/Utils.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

TStationPass::TStationPass(const QStringList& positional, TReportFailure reportFailure, std::vector<TFamily> families)
    : FReportFailure(std::move(reportFailure)), FTreeScanner(std::make_unique<TTreeScanner>())
{
    if (!FReportFailure)
        FReportFailure = [](const QString&) {};
    QString settingsError;
    const QString settingsValue =
        ReadRegistryString(QStringLiteral("Datawarden"), QStringLiteral("ImagesPath"), &settingsError);
    if (!settingsError.isEmpty())
        FReportFailure(settingsError);
    FDataFolder = ComposeDataFolder(settingsValue, positional);
    FDataFolderFromSettings = positional.isEmpty();
    FDataFolderProblem = ::DataFolderProblem(FDataFolder);
    if (!FDataFolderProblem.isEmpty())
        FReportFailure(FDataFolderProblem);

    if (families.empty())
        families.push_back(BuiltInCrmFamily());
    const TLedgerWait wait{DefaultLockWait(), FReportFailure};
    const TLedgerLocation ledger =
        ChooseLedger(positional, ExecutableFolder(), UserDataHome(), FDataFolder, ComposeDataFolder(settingsValue, {}));
    // A typo in the ledger's name must not go unnoticed while another ledger fills.
    if (positional.size() >= 2 && ledger.Path != positional[1])
        FReportFailure(QStringLiteral("the ledger %1 %2; using %3")
                           .arg(positional[1],
                                IsFolderPath(positional[1]) ? QStringLiteral("is a folder")
                                                            : QStringLiteral("is not an existing file"),
                                ledger.Path));
    for (TFamily& family : families) {
        const QString place = family.BuiltInCrm ? ledger.Path : FamilyLedgerFolder(ledger.Path, family.Name);
        FFamilies.push_back(std::make_unique<TFamilyPass>(std::move(family), place, wait));
        TFamilyPass& pass = *FFamilies.back();
        QString loadError;
        if (pass.CrmLedger()) {
            if (LoadLedger(*pass.CrmLedger(), ledger.LoadPath, loadError, wait) == TLoadResult::Failed)
                FReportFailure(loadError);
        }
        // The default day folders are the data folder's, whose problem is told above.
        const QString base = FamilyBaseFolder(pass.Family().Folder, FDataFolder);
        int error = 0;
        const QString problem =
            pass.Family().Folder == DefaultFamilyFolder
                ? QString()
                : FolderProblem(base, QStringLiteral("the folder %1 of the family %2").arg(base, pass.Family().Name),
                                &error);
        if (problem.isEmpty())
            continue;
        // Below a data folder with a problem, that problem is the family's, told once.
        const bool told = !FDataFolderProblem.isEmpty() && base.startsWith(FDataFolder);
        // A folder that cannot be read may hold every product: none is missing.
        if (IsUnreadable(error))
            pass.FolderUnlisted(told ? FDataFolderProblem : problem, std::nullopt);
        else
            pass.SetFolderProblem(told ? FDataFolderProblem : problem);
        if (!told)
            FReportFailure(problem);
    }

    FTreeScanner->setObjectName(QStringLiteral("TreeScanner"));
    FTreeScanner->SetFileMask(QStringLiteral("2*crm.grb"));
    FTreeScanner->SetRecursive(false);
    FTreeScanner->SetOnFileFound([this](TTreeScanner*) { TreeScannerFileFound(); });
}

TStationPass::~TStationPass() = default;

bool TStationPass::CrmAlone() const
{
    return FFamilies.size() == 1 && FirstFamily().Family().BuiltInCrm &&
           FirstFamily().Family().Folder == DefaultFamilyFolder;
}

void TStationPass::Walk(const QString& folder, const std::function<void(int index)>& onIteration)
{
    const auto start = std::chrono::steady_clock::now();
    FWalking = true;
    FirstFamily().LedgerChanged();
    TDayWalkHooks hooks;
    hooks.IsRecorded = [this](const QString& name) { return !FirstFamily().Ledger().Values(name).isEmpty(); };
    FDayFoldersFound = 0;
    // A folder that may be there but cannot be told is searched, so that
    // the listing says why it cannot be read.
    hooks.FolderExists = [this](const QString& dayFolder) {
        const int status = FolderStatusError(EncodePath(dayFolder));
        FDayFoldersFound += status == 0;
        return status >= 0;
    };
    hooks.ShouldStop = [this] { return FStopRequested; };
    hooks.Search = [this](const QString& dayFolder, TDateTime day) {
        FirstFamily().CountWalk().FoldersListed++;
        FTreeScanner->SetInitialDirectory(dayFolder);
        const int before = FFilesFound;
        FTreeScanner->Search();
        // The scanner lists a folder it cannot read as empty.
        if (FFilesFound == before)
            if (const int error = FolderListingError(EncodePath(dayFolder)))
                FolderUnlisted(FirstFamily(), dayFolder, error, day);
    };
    hooks.OnIteration = onIteration;
    // The walk ends, and the pass is over, whatever happens inside it.
    struct TWalkEnd
    {
        TStationPass& Pass;
        std::chrono::steady_clock::time_point Start;
        ~TWalkEnd()
        {
            Pass.FWalking = false;
            Pass.FWalkSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        }
    } end{*this, start};
    const TDateTime today = NowUTC();
    FWalkNow = today;
    if (CrmAlone()) {
        WalkDays(today, NowUTC(), folder, hooks);
        FirstFamily().CountWalk().FoldersFound = FDayFoldersFound;
        return;
    }
    std::vector<TFamilyPass*> families;
    for (const std::unique_ptr<TFamilyPass>& family : FFamilies)
        family->LedgerChanged(), families.push_back(family.get());
    TFamilyWalkHooks familyHooks;
    familyHooks.OnIteration = onIteration;
    familyHooks.ShouldStop = hooks.ShouldStop;
    familyHooks.OnFolder = [this] {
        ++FDayFoldersFound;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    familyHooks.ReportFailure = FReportFailure;
    familyHooks.ReportNote = FReportFailure;
    familyHooks.OnUnlisted = [this](TFamilyPass& family, const QString& folder, int error,
                                    std::optional<TDateTime> day) { FolderUnlisted(family, folder, error, day); };
    WalkFamilies(families, folder, today, NowUTC(), familyHooks);
    for (const TFamilyPass* family : families)
        if (const int unmatched = family->UnmatchedProducts(today))
            FReportFailure(unmatched == 1
                               ? QStringLiteral("1 product of the family %1 in the last 31 days no longer matches its "
                                                "pattern: it stays in its ledger and counts for nothing")
                                     .arg(family->Family().Name)
                               : QStringLiteral("%1 products of the family %2 in the last 31 days no longer match its "
                                                "pattern: they stay in its ledger and count for nothing")
                                     .arg(unmatched)
                                     .arg(family->Family().Name));
}

std::optional<TClaim> TStationPass::ClaimedBy(const TFamilyPass& family) const
{
    std::vector<const TFamilyPass*> families;
    for (const std::unique_ptr<TFamilyPass>& f : FFamilies) {
        families.push_back(f.get());
        if (f.get() == &family)
            return ClaimingFamily(families, families.size() - 1, FDataFolder, NowUTC(), NowUTC());
    }
    return std::nullopt;
}

void TStationPass::FolderUnlisted(TFamilyPass& family, const QString& folder, int error, std::optional<TDateTime> day)
{
    const QString message = UnlistedFolderMessage(folder, error);
    family.FolderUnlisted(message, day);
    // Below a data folder that cannot be read, its own problem tells it once.
    if (FDataFolderProblem.isEmpty())
        FReportFailure(message);
}

void TStationPass::RequestStop()
{
    FStopRequested = true;
    if (FWalking)
        FTreeScanner->SetContinueSearch(false);
}

void TStationPass::TreeScannerFileFound()
{
    // Only a regular file (or a link to one) is a product: a FIFO, socket or
    // device has no delay to measure. The scanner's one status call gave the
    // kind and the times.
    const TFileStatus& status = FTreeScanner->FileStatus();
    if (status.Kind != TFileStatus::TKind::Regular)
        return;
    FirstFamily().CountWalk().NamesMatched++;
    const QByteArray& path = FTreeScanner->FileFoundBytes();
    const QByteArrayView rawName = QByteArrayView(path).sliced(path.lastIndexOf('/') + 1);
    qsizetype nameLength = 0;
    ++FFilesFound;
    const TProductName::TProblem problem = ProductLineUtf8(rawName, status.Times, FLineBuffer, nameLength);
    // The ledger cannot hold such a name exactly.
    if (problem == TProductName::TProblem::NotUtf8)
        FReportFailure(
            QStringLiteral("not recorded, the file name is not valid UTF-8: %1").arg(FTreeScanner->FileFound()));
    TSortedStringList& ledger = *FirstFamily().CrmLedger();
    if (problem != TProductName::TProblem::None ||
        ledger.ContainsNameUtf8(QByteArrayView(FLineBuffer).first(nameLength)))
        return;
    if (ledger.AddUtf8(FLineBuffer) < 0)
        return;
    const int64_t delay = DelaySeconds(status.Times);
    FirstFamily().CountRecorded(delay);
    const QString note = ProductClockNote(
        FTreeScanner->FileFound(),
        FileNameToDateTime(QString::fromUtf8(rawName.first(std::min<qsizetype>(nameLength, 12)))), delay, FWalkNow);
    if (!note.isEmpty())
        FReportFailure(note);
}

QString TStationPass::WatchesNothing() const
{
    const auto setting = [] {
        return QStringLiteral("ImagesPath in %1").arg(SettingsFilePath(QStringLiteral("Datawarden")));
    };
    if (FDataFolder.isEmpty())
        return QStringLiteral("no data folder is set: no DATA-FOLDER argument and no %1").arg(setting());
    // The ledgers are looked at only when no day folder was found; lines
    // that name no product watch nothing either.
    if (FDayFoldersFound > 0 || !FDataFolderProblem.isEmpty() ||
        std::any_of(FFamilies.begin(), FFamilies.end(),
                    [](const std::unique_ptr<TFamilyPass>& f) { return f->Entries().NewestProduct() != nullptr; }))
        return {};
    return QStringLiteral("the data folder %1 (%2) holds no day folder yyyy/mm/dd/ the walk searched, and the ledger "
                          "%3 has no product")
        .arg(FDataFolder, FDataFolderFromSettings ? setting() : QStringLiteral("the first argument"), LedgerFile());
}

bool TStationPass::Save()
{
    if (FSaveResult)
        return *FSaveResult;
    FSaveResult = true;
    const TDateTime today = NowUTC();
    for (const std::unique_ptr<TFamilyPass>& family : FFamilies) {
        QString error;
        if (!family->SaveFamilyLedger(today, error)) {
            FSaveResult = false;
            FReportFailure(error);
            continue;
        }
        // A histogram not kept loses only this pass's counts: the ledger holds the products.
        family->KeepDelayHistogram(error);
        if (!error.isEmpty())
            FReportFailure(error);
    }
    // A family's day files were synced as one; the save is whole on the disk
    // before any output tells of it.
    SyncPendingFolder();
    return *FSaveResult;
}
