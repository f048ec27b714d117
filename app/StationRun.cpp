#include "app/StationRun.h"

#include "app/RunOutputs.h"
#include "app/StationHistory.h"
#include "app/UserMessage.h"
#include "station/StationPass.h"
#include "station/Utils.h"

#include <exception>

namespace {

// The caption the window shows after its pass, the printed summary's first line.
const QString BaseCaption = QStringLiteral("Lagwatch");

}  // namespace

TStationRun::TStationRun(const TCommandLine& line) : FLine(line), FPass(LoadPass()) {}

std::unique_ptr<TStationPass> TStationRun::LoadPass()
{
    FReports.clear();
    auto pass = std::make_unique<TStationPass>(
        FLine.Positional, [this](const QString& message) { Report(message); }, FLine.Families);
    // The delay histogram counts a slot once it holds the files the figures say a slot holds.
    for (const std::unique_ptr<TFamilyPass>& family : pass->Families())
        family->SetFilesPerSlotRule([](const TFamilyPass& f) {
            const TDateTime now = NowUTC();
            return FamilyCompleteness(FamilyRulesOf(f.Family()), f.View(now, PlottedLineCount), now).FilesPerSlot;
        });
    return pass;
}

void TStationRun::Report(const QString& message)
{
    TellUser(message);
    FReports.append(message);
}

TStationRun::~TStationRun() = default;

void TStationRun::Scan(const TScanViews& views)
{
    // Nothing may escape into an event loop: a failed walk still shows what
    // it has, and the ledger is still saved.
    try {
        FPass->Walk(FPass->DataFolder(), views.OnIteration);
    } catch (const std::exception& error) {
        Report(QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    // Nobody sees the window of a run that ends after its pass.
    const bool printed = !FPass->StopRequested() && FLine.EndsAfterPass() && FLine.PrintsSummary();
    // A station of families prints what the walk did for each under its
    // summary; -explain tells it on standard error otherwise.
    const auto& families = FPass->Families();
    const bool ofFamilies = families.size() > 1 || !families.front()->Family().BuiltInCrm;
    const QStringList walkLines = FLine.Explain || (printed && ofFamilies) ? WalkLines(*FPass) : QStringList();
    if (FLine.Explain && !(printed && ofFamilies))
        for (const QString& walkLine : walkLines)
            TellUser(walkLine);
    // The readings cost a third of a monitoring server's check, which shows none of them.
    if (!views.OnFamilies && !FLine.PngFile && !FLine.HistoryPngFile && !printed)
        return;
    const TDateTime now = NowUTC();
    // A window names the product of every slot of its history map.
    const std::vector<TFamilyReading> readings = ReadFamilies(*FPass, now, views.OnFamilies ? -1 : PlottedLineCount);
    if (views.OnFamilies)
        views.OnFamilies(readings);
    if (FLine.PngFile) {
        FChartWritten = views.SaveChart && views.SaveChart(FPass->DataFolder(), readings, *FLine.PngFile);
        if (!views.SaveChart)
            TellUser(QStringLiteral("cannot draw the chart image %1 without the desktop program").arg(*FLine.PngFile));
    }
    if (FLine.HistoryPngFile) {
        FHistoryWritten = views.SaveHistory && views.SaveHistory(FPass->DataFolder(), readings, *FLine.HistoryPngFile);
        if (!views.SaveHistory)
            TellUser(QStringLiteral("cannot draw the history image %1 without the desktop program")
                         .arg(*FLine.HistoryPngFile));
    }
    if (printed)
        PrintBytes(stdout, PrintedFamilies(readings, BaseCaption, now));
    if (printed && ofFamilies)
        PrintBytes(stdout, (walkLines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLocal8Bit());
}

void TStationRun::ScanAgain(const TScanViews& views)
{
    FPass->Save();
    FPass = LoadPass();
    Scan(views);
}

int TStationRun::Finish()
{
    FPass->Save();
    return FinishPass(FLine, *FPass, FChartWritten, FHistoryWritten, FStopSignals);
}
