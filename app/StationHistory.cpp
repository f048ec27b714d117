#include "app/StationHistory.h"

#include "station/FamilyPass.h"
#include "station/StationPass.h"

namespace {

template <typename T>
void Override(T& limit, T fromLine, T builtIn)
{
    if (fromLine != builtIn)
        limit = fromLine;
}

}  // namespace

TFamilyRules FamilyRulesOf(const TFamily& family, const TCommandLine& line)
{
    TFamilyLimits limits = family.Limits;
    const TCommandLine defaults;
    Override(limits.WarningMinutes, line.WarningMinutes, defaults.WarningMinutes);
    Override(limits.CriticalMinutes, line.CriticalMinutes, defaults.CriticalMinutes);
    Override(limits.MaxAgeHours, line.MaxAgeHours, defaults.MaxAgeHours);
    Override(limits.MissingAfterMinutes, line.MissingAfterMinutes, defaults.MissingAfterMinutes);
    Override(limits.MissingWarning, line.MissingWarning, defaults.MissingWarning);
    Override(limits.MissingCritical, line.MissingCritical, defaults.MissingCritical);
    TFamilyRules rules;
    rules.Name = family.Name;
    rules.Thresholds = {limits.WarningMinutes, limits.CriticalMinutes, limits.MaxAgeHours,
                        limits.MissingWarning, limits.MissingCritical, limits.Missing};
    rules.CompletenessLimits = {limits.WarningMinutes, limits.CriticalMinutes, limits.MissingAfterMinutes};
    rules.Expect = line.Expect ? line.Expect : family.Expect;
    rules.FilesPerSlot = family.FilesPerSlot;
    return rules;
}

TStationCompleteness FamilyCompletenessOf(const TFamilyPass& family, const TCommandLine& line, TDateTime now)
{
    return FamilyCompleteness(FamilyRulesOf(family.Family(), line), family.Entries(), now);
}

std::vector<TFamilyReading> ReadFamilies(const TStationPass& pass, const TCommandLine& line, TDateTime now)
{
    std::vector<TFamilyReading> readings;
    for (const std::unique_ptr<TFamilyPass>& family : pass.Families())
        readings.push_back(ReadFamily(FamilyRulesOf(family->Family(), line), family->Entries(), now,
                                      family->FolderProblem(), family->ProductsRecorded()));
    return readings;
}
