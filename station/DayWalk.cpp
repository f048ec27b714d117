#include "station/DayWalk.h"

#include "platform/DateFormat.h"

#include <cmath>

QString ExpectedName1200(TDateTime day) { return FormatDateTime(QStringLiteral("yyyymmdd\"1200-crm.grb\""), day); }

QString ExpectedName1315(TDateTime day) { return FormatDateTime(QStringLiteral("yyyymmdd\"1315-crm.grb\""), day); }

QString DayFolder(const QString& dataFolder, TDateTime day)
{
    const QString dayPart = FormatDateTime(QStringLiteral("yyyy/mm/dd/"), day);
    return dayPart.isEmpty() ? QString() : dataFolder + dayPart;
}

void WalkDays(TDateTime today, TDateTime now, const QString& dataFolder, const TDayWalkHooks& hooks)
{
    TDateTime day = std::trunc(today);
    const int firstIndex = now - std::trunc(now) >= 0.5 ? 1 : 2;
    bool recordedDaySearched = false;
    for (int index = firstIndex; index <= 90; ++index) {
        if (hooks.ShouldStop && hooks.ShouldStop())
            return;
        if (hooks.OnIteration)
            hooks.OnIteration(index);
        const QString folder = DayFolder(dataFolder, day);
        if (folder.isEmpty())
            return;
        const bool recorded = hooks.IsRecorded(ExpectedName1200(day)) || hooks.IsRecorded(ExpectedName1315(day));
        if (recorded && recordedDaySearched)
            continue;
        if (hooks.FolderExists(folder))
            hooks.Search(folder, day);
        if (recorded) {
            recordedDaySearched = true;
            continue;
        }
        day -= 1;
    }
}
