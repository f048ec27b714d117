#include "app/DayWalk.h"

#include "platform/DateFormat.h"

#include <cmath>

QString ExpectedName1200(TDateTime day) { return FormatDateTime(QStringLiteral("yyyymmdd\"1200-crm.grb\""), day); }

QString ExpectedName1315(TDateTime day) { return FormatDateTime(QStringLiteral("yyyymmdd\"1315-crm.grb\""), day); }

QString DayFolder(const QString& dataFolder, TDateTime day)
{
    return dataFolder + FormatDateTime(QStringLiteral("yyyy/mm/dd/"), day);
}

void WalkDays(TDateTime today, TDateTime now, const QString& dataFolder, const TDayWalkHooks& hooks)
{
    TDateTime day = std::trunc(today);
    const int firstIndex = now - std::trunc(now) >= 0.5 ? 1 : 2;
    bool recordedDaySearched = false;
    for (int index = firstIndex; index <= 90; ++index) {
        if (hooks.OnIteration)
            hooks.OnIteration(index);
        const bool recorded = hooks.IsRecorded(ExpectedName1200(day)) || hooks.IsRecorded(ExpectedName1315(day));
        if (recorded && recordedDaySearched)
            continue;
        const QString folder = DayFolder(dataFolder, day);
        if (hooks.FolderExists(folder))
            hooks.Search(folder);
        if (recorded) {
            recordedDaySearched = true;
            continue;
        }
        day -= 1;
    }
}
