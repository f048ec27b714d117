#pragma once
// One walk for every family: back one day at a time from today's UTC date,
// listing each folder once however many families share it and trying the
// families' patterns on every name, the first family of the file that
// matches owning the file. Each family goes back on its own terms:
// - crm by the CRM rules (DayWalk.h: to its newest recorded day, searched once);
// - a family whose schedule is given, until the first day whose expected
//   slots all hold their files (not searched again);
// - a family whose schedule is learned, to the first day holding any of its
//   products, searched once;
// and none further than 90 days (89 before 12:00 UTC, as crm), nor than its
// keep-days (a day moved to the archive is not recorded again). A flat folder
// (no day fields) is listed once; of its files only those of the days walked
// count.
#include "platform/DateTime.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class TFamilyPass;

struct TFamilyWalkHooks
{
    std::function<void(int index)> OnIteration;  // at the start of every day's iteration
    std::function<bool()> ShouldStop;            // read before every folder
    std::function<void()> OnFolder;              // before every folder is listed (events)
    std::function<void(const QString& message)> ReportFailure;
    // What a product just recorded tells of the clocks (ProductClockNote).
    std::function<void(const QString& message)> ReportNote;
    // A folder of the family that could not be listed (error: errno), of the
    // day, or of every day (a flat folder).
    std::function<void(TFamilyPass& family, const QString& folder, int error, std::optional<TDateTime> day)> OnUnlisted;
};

// The families with a folder problem are left out.
void WalkFamilies(const std::vector<TFamilyPass*>& families, const QString& dataFolder, TDateTime today, TDateTime now,
                  const TFamilyWalkHooks& hooks);
