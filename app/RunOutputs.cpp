#include "app/RunOutputs.h"

#include "app/StationHistory.h"
#include "app/UserMessage.h"

#include "report/Completeness.h"
#include "report/CompletenessReport.h"
#include "report/DelaySummary.h"
#include "report/HealthCheck.h"
#include "report/LedgerCsv.h"
#include "report/Metrics.h"
#include "report/StationStatus.h"
#include "station/StationPass.h"
#include "station/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/PathBytes.h"
#include "platform/StopSignals.h"

#include <cerrno>
#include <cstring>

namespace {

bool PrintChecked(std::FILE* stream, const QByteArray& bytes, const QString& what, QString& error)
{
    std::clearerr(stream);
    PrintBytes(stream, bytes);
    if (!std::ferror(stream))
        return true;
    error = QStringLiteral("cannot write %1 to standard output: %2")
                .arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

// A file, or standard output for "-"; false with the error when it was not written.
bool WriteOutput(const QString& file, std::FILE* out, const QByteArray& bytes, const QString& what, QString& error)
{
    return file == QLatin1String("-") ? PrintChecked(out, bytes, what, error)
                                      : WriteFileAtomically(file, bytes, what, error);
}

std::vector<TRunFamily> RunFamiliesOf(const TStationPass& pass, TDateTime now, bool wholeLedgers)
{
    std::vector<TRunFamily> families;
    for (const std::unique_ptr<TFamilyPass>& family : pass.Families()) {
        families.push_back({FamilyRulesOf(family->Family()), wholeLedgers ? &family->Ledger() : nullptr,
                            wholeLedgers ? &family->Entries() : nullptr, &family->View(now, PlottedLineCount),
                            family->FolderProblem(), family->ProductsRecorded(), &family->DelayHistogram(), {},
                            family->WalkCounts().FoldersFound});
        if (!families.back().View->Entries->NewestProduct())
            families.back().ClaimedBy = ClaimText(pass, *family);
    }
    return families;
}

}  // namespace

TRunRecord RecordOfRun(const TStationPass& pass, bool chartWritten, int stopSignal, bool historyWritten,
                       bool wholeLedgers)
{
    TRunRecord run;
    run.Now = NowUTC();
    run.DataFolder = pass.DataFolder();
    run.DataFolderProblem = pass.DataFolderProblem();
    run.Families = RunFamiliesOf(pass, run.Now, wholeLedgers);
    run.LedgerFile = pass.LedgerFile();
    run.LedgerSaved = pass.Saved();
    run.ChartWritten = chartWritten;
    run.HistoryWritten = historyWritten;
    run.DayFoldersFound = pass.DayFoldersFound();
    run.WatchesNothing = pass.WatchesNothing();
    run.PassSeconds = pass.WalkSeconds();
    run.StopSignal = stopSignal;
    return run;
}

int FinishRun(const TCommandLine& line, const TRunRecord& run, std::FILE* out, std::FILE* err)
{
    // A family without the pass's entries (a caller of its own) has its ledger read here.
    const TSortedStringList empty;
    std::vector<std::optional<TLedgerEntries>> ownEntries(run.Families.size());
    std::vector<TLedgerEntries*> entries;
    for (size_t i = 0; i < run.Families.size(); ++i) {
        const TRunFamily& family = run.Families[i];
        entries.push_back(family.Entries ? family.Entries
                                         : &ownEntries[i].emplace(family.Ledger ? *family.Ledger : empty));
    }
    QStringList failures;
    if (!run.DataFolderProblem.isEmpty())
        failures.append(run.DataFolderProblem);
    if (!run.LedgerSaved)
        failures.append(QStringLiteral("the ledger %1 was not saved").arg(run.LedgerFile));
    if (!run.ChartWritten)
        failures.append(QStringLiteral("the chart image %1 was not written").arg(line.PngFile.value_or(QString())));
    if (!run.HistoryWritten)
        failures.append(
            QStringLiteral("the history image %1 was not written").arg(line.HistoryPngFile.value_or(QString())));
    if (run.StopSignal)
        failures.append(QStringLiteral("stopped by signal %1").arg(run.StopSignal));
    // The messages above were reported where they happened; these are new.
    auto report = [&](const QString& error) {
        failures.append(error);
        TellUser(error, err);
    };
    bool familyFailed = false;
    for (const TRunFamily& family : run.Families)
        familyFailed = familyFailed || !family.Problem.isEmpty();

    if (line.CsvFile) {
        std::vector<TFamilyEntries> ledgers;
        for (size_t i = 0; i < run.Families.size(); ++i)
            ledgers.push_back({run.Families[i].Rules.Name, entries[i]});
        QString error;
        if (!WriteOutput(*line.CsvFile, out, LedgerCsv(ledgers), QStringLiteral("the CSV"), error))
            report(error);
    }

    // One reading of each family for every output that shows figures; the
    // completeness figures read back only the month they look at.
    std::vector<TFamilyReading> readings;
    if (line.Check || line.MetricsFile || line.ReportFile)
        for (size_t i = 0; i < run.Families.size(); ++i) {
            const TRunFamily& family = run.Families[i];
            readings.push_back(
                family.View ? ReadFamily(family.Rules, *family.View, run.Now, family.Problem, family.ProductsRecorded)
                            : ReadFamily(family.Rules, *entries[i], run.Now, family.Problem, family.ProductsRecorded));
            readings.back().ClaimedBy = family.ClaimedBy;
            readings.back().DayFoldersFound = family.DayFoldersFound;
        }
    if (line.ReportFile) {
        QString error;
        if (!WriteOutput(*line.ReportFile, out, CompletenessReportCsv(FamilyCompletenesses(readings)),
                         QStringLiteral("the report"), error))
            report(error);
    }
    if (line.MetricsFile) {
        TRunMetrics metrics{run.DataFolder, run.Now, run.PassSeconds, failures.isEmpty(), run.DayFoldersFound};
        for (const TRunFamily& family : run.Families)
            metrics.Delays.push_back({family.Rules.Name, family.Delays});
        QString error;
        if (!WriteFileAtomically(*line.MetricsFile, MetricsText(metrics, readings), QStringLiteral("the metrics"),
                                 error))
            report(error);
    }

    if (!line.Check)
        return failures.isEmpty() && !familyFailed ? 0 : 1;
    // A station that watches nothing must not look healthy.
    if (!run.WatchesNothing.isEmpty())
        failures.append(run.WatchesNothing);
    const TCheckResult check = failures.isEmpty() ? CheckFamilies(readings) : UnknownCheck(failures);
    PrintBytes(out, (check.Line + QLatin1Char('\n')).toUtf8());
    return static_cast<int>(check.State);
}

int FinishPass(const TCommandLine& line, const TStationPass& pass, bool chartWritten, bool historyWritten,
               TStopSignals& stopSignals)
{
    stopSignals.CollectPending();
    // The CSV holds every day a family's ledger keeps, not only the month
    // the figures read.
    if (line.CsvFile)
        for (const std::unique_ptr<TFamilyPass>& family : pass.Families()) {
            QString error;
            if (!family->LoadAllDays(error))
                TellUser(error);
        }
    int status = FinishRun(
        line, RecordOfRun(pass, chartWritten, stopSignals.FirstSignal(), historyWritten, line.CsvFile.has_value()),
        stdout, stderr);
    if (const int signalNumber = stopSignals.FirstSignal()) {
        TellUser(QStringLiteral("stopped by signal %1 (%2)%3")
                     .arg(signalNumber)
                     .arg(QString::fromLocal8Bit(strsignal(signalNumber)),
                          pass.Saved() ? QStringLiteral("; the ledger keeps what was recorded") : QString()));
        status = 128 + signalNumber;
    }
    return status;
}
