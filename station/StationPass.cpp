#include "station/StationPass.h"

#include "platform/FileTimes.h"
#include "platform/PathBytes.h"
#include "platform/UserFolders.h"
#include "scan/TreeScan.h"
#include "station/DayWalk.h"
#include "station/Ledger.h"
#include "station/StartupConfig.h"
#include "station/Utils.h"

#include <chrono>

TStationPass::TStationPass(const QStringList& positional, TReportFailure reportFailure)
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
    FDataFolderProblem = ::DataFolderProblem(FDataFolder);
    if (!FDataFolderProblem.isEmpty())
        FReportFailure(FDataFolderProblem);

    const TLedgerLocation ledger = ChooseLedger(positional, ExecutableFolder(), UserDataHome());
    FFamilies.push_back(std::make_unique<TFamilyPass>(BuiltInCrmFamily(), ledger.Path));
    QString loadError;
    if (LoadLedger(FirstFamily().Ledger(), ledger.LoadPath, loadError,
                   TLedgerWait{DefaultLockWait(), FReportFailure}) == TLoadResult::Failed)
        FReportFailure(loadError);

    FTreeScanner->setObjectName(QStringLiteral("TreeScanner"));
    FTreeScanner->SetFileMask(QStringLiteral("2*crm.grb"));
    FTreeScanner->SetRecursive(false);
    FTreeScanner->SetOnFileFound([this](TTreeScanner*) { TreeScannerFileFound(); });
}

TStationPass::~TStationPass() = default;

void TStationPass::Walk(const QString& folder, const std::function<void(int index)>& onIteration)
{
    const auto start = std::chrono::steady_clock::now();
    FWalking = true;
    FirstFamily().LedgerChanged();
    TDayWalkHooks hooks;
    hooks.IsRecorded = [this](const QString& name) { return !FirstFamily().Ledger().Values(name).isEmpty(); };
    hooks.FolderExists = [](const QString& dayFolder) { return IsFolderPath(dayFolder); };
    hooks.ShouldStop = [this] { return FStopRequested; };
    hooks.Search = [this](const QString& dayFolder) {
        FTreeScanner->SetInitialDirectory(dayFolder);
        FTreeScanner->Search();
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
    WalkDays(today, NowUTC(), folder, hooks);
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
    const QByteArray& path = FTreeScanner->FileFoundBytes();
    const QByteArrayView rawName = QByteArrayView(path).sliced(path.lastIndexOf('/') + 1);
    qsizetype nameLength = 0;
    const TProductName::TProblem problem = ProductLineUtf8(rawName, status.Times, FLineBuffer, nameLength);
    // The ledger cannot hold such a name exactly.
    if (problem == TProductName::TProblem::NotUtf8)
        FReportFailure(
            QStringLiteral("not recorded, the file name is not valid UTF-8: %1").arg(FTreeScanner->FileFound()));
    TFamilyPass& family = FirstFamily();
    if (problem != TProductName::TProblem::None ||
        family.Ledger().ContainsNameUtf8(QByteArrayView(FLineBuffer).first(nameLength)))
        return;
    if (family.Ledger().AddUtf8(FLineBuffer) >= 0)
        family.CountRecorded();
}

bool TStationPass::Save()
{
    if (FSaveResult)
        return *FSaveResult;
    QString error;
    TFamilyPass& family = FirstFamily();
    const int linesBefore = family.Ledger().Count();
    FSaveResult =
        SaveLedger(family.Ledger(), family.LedgerFile(), error, TLedgerWait{DefaultLockWait(), FReportFailure});
    // The save merges in the lines other runs wrote meanwhile; only then are
    // the entries parsed again.
    if (family.Ledger().Count() != linesBefore)
        family.LedgerChanged();
    if (!*FSaveResult)
        FReportFailure(error);
    return *FSaveResult;
}
