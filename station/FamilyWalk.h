#pragma once
// One walk for every family: back one day at a time from today's UTC date,
// listing each folder once however many families share it and trying the
// families' patterns on every name, the first family of the file that
// matches owning the file. Each family goes back on its own terms:
// - crm by the CRM rules (DayWalk.h: to its newest recorded day, searched once);
// - every other family over each day within its reach, so that a file that
//   arrived late into an older day is recorded whatever the runs before
//   found: its listing memo (ListingMemo.h) skips a folder whose listing has
//   not changed since a run that recorded all of it, so a steady run lists
//   only the folders that changed;
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

// Why families[index] may have no product: the earlier family that owns most
// of the files in its folders that its pattern matches (the newest day
// folder within its reach holding any decides), with how many it owns
// there; nothing when no earlier family owns one.
struct TClaim
{
    QString Family;
    int Files = 0;
};
std::optional<TClaim> ClaimingFamily(const std::vector<const TFamilyPass*>& families, size_t index,
                                     const QString& dataFolder, TDateTime today, TDateTime now);
