#include "app/StationHistory.h"

#include "report/DelaySummary.h"
#include "station/FamilyPass.h"
#include "station/StationPass.h"
#include "station/Utils.h"

TFamilyRules FamilyRulesOf(const TFamily& family)
{
    TFamilyRules rules;
    rules.Name = family.Name;
    rules.Limits = family.Limits;
    rules.Expect = family.Expect;
    rules.FilesPerSlot = family.FilesPerSlot;
    rules.CrmChart = family.BuiltInCrm;
    rules.Unit = family.CountsProducts ? TFigureUnit::Product : TFigureUnit::Slot;
    rules.Outages = family.Outages;
    return rules;
}

TStationCompleteness FamilyCompletenessOf(const TFamilyPass& family, TDateTime now)
{
    return FamilyCompleteness(FamilyRulesOf(family.Family()), family.View(now, -1), now);
}

std::vector<TFamilyReading> ReadFamilies(const TStationPass& pass, TDateTime now, int newestSlots)
{
    std::vector<TFamilyReading> readings;
    for (const std::unique_ptr<TFamilyPass>& family : pass.Families()) {
        readings.push_back(ReadFamily(FamilyRulesOf(family->Family()), family->View(now, newestSlots), now,
                                      family->FolderProblem(), family->ProductsRecorded()));
        if (!readings.back().Status.Newest)
            readings.back().ClaimedBy = ClaimText(pass, *family);
    }
    return readings;
}

QString ClaimText(const TStationPass& pass, const TFamilyPass& family)
{
    if (!family.FolderProblem().isEmpty())
        return {};
    const std::optional<TClaim> claim = pass.ClaimedBy(family);
    if (!claim)
        return {};
    return QStringLiteral("the earlier family %1 takes its files, its pattern matching them first: %2 in the newest "
                          "day folder holding any")
        .arg(claim->Family)
        .arg(claim->Files);
}

QStringList WalkLines(const TStationPass& pass)
{
    QStringList lines;
    for (const std::unique_ptr<TFamilyPass>& family : pass.Families()) {
        const TFamilyPass::TWalkCounts& walk = family->WalkCounts();
        QString line = QStringLiteral("[%1] walk: %2 day folders found, %3 listed, %4 unchanged since the last "
                                      "listing; %5 names matched; %6 products recorded")
                           .arg(family->Family().Name)
                           .arg(walk.FoldersFound)
                           .arg(walk.FoldersListed)
                           .arg(walk.FoldersUnchanged)
                           .arg(walk.NamesMatched)
                           .arg(family->ProductsRecorded());
        if (!family->FolderProblem().isEmpty())
            line += QStringLiteral("; ") + family->FolderProblem();
        else if (!family->View(NowUTC(), PlottedLineCount).Entries->NewestProduct())
            if (const QString claim = ClaimText(pass, *family); !claim.isEmpty())
                line += QStringLiteral("; no product: ") + claim;
        lines.append(line);
    }
    return lines;
}
