#pragma once
// Which day folders a scan pass searches: back one day at a time from today's
// UTC date, until the newest day the ledger already knows.
#include "platform/DateTime.h"

#include <QString>
#include <functional>

struct TDayWalkHooks
{
    // The ledger holds a non-empty value for this product name.
    std::function<bool(const QString& name)> IsRecorded;
    std::function<bool(const QString& folder)> FolderExists;
    // Lists the folder of the day.
    std::function<void(const QString& folder, TDateTime day)> Search;
    // Called at the start of every iteration, with the index counted from its first value.
    std::function<void(int index)> OnIteration;
    // Read before every iteration; true ends the walk (a stop signal).
    std::function<bool()> ShouldStop;
};

// The two products a day is expected to have, for example 202106231200-crm.grb
// and 202106231315-crm.grb.
QString ExpectedName1200(TDateTime day);
QString ExpectedName1315(TDateTime day);
// dataFolder + "yyyy/mm/dd/"; empty when the day cannot be written so (a
// clock past the year 9999), never the data folder itself.
QString DayFolder(const QString& dataFolder, TDateTime day);

// today: NowUTC() at the start of the pass; now: NowUTC() read again, which
// decides between 90 iterations (from 12:00 UTC) and 89. The newest recorded
// day is searched once too, so a product that arrived after an earlier run
// recorded its sibling is still recorded; the walk then stays on that day.
// A day that cannot be written as a day folder ends the walk.
void WalkDays(TDateTime today, TDateTime now, const QString& dataFolder, const TDayWalkHooks& hooks);
