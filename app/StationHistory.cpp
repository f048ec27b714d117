#include "app/StationHistory.h"

#include "station/FamilyPass.h"
#include "station/StationPass.h"

TFamilyRules FamilyRulesOf(const TFamily& family)
{
    const TFamilyLimits& limits = family.Limits;
    TFamilyRules rules;
    rules.Name = family.Name;
    rules.Thresholds = {limits.WarningMinutes, limits.CriticalMinutes, limits.MaxAgeHours,
                        limits.MissingWarning, limits.MissingCritical, limits.Missing};
    rules.CompletenessLimits = {limits.WarningMinutes, limits.CriticalMinutes, limits.MissingAfterMinutes};
    rules.Expect = family.Expect;
    rules.FilesPerSlot = family.FilesPerSlot;
    rules.CrmChart = family.BuiltInCrm;
    rules.Unit = family.CountsProducts ? TFigureUnit::Product : TFigureUnit::Slot;
    return rules;
}

TStationCompleteness FamilyCompletenessOf(const TFamilyPass& family, TDateTime now)
{
    return FamilyCompleteness(FamilyRulesOf(family.Family()), family.View(now, -1), now);
}

std::vector<TFamilyReading> ReadFamilies(const TStationPass& pass, TDateTime now, int newestSlots)
{
    std::vector<TFamilyReading> readings;
    for (const std::unique_ptr<TFamilyPass>& family : pass.Families())
        readings.push_back(ReadFamily(FamilyRulesOf(family->Family()), family->View(now, newestSlots), now,
                                      family->FolderProblem(), family->ProductsRecorded()));
    return readings;
}
