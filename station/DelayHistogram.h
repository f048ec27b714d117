#pragma once
// The delays of a family's slots as a histogram kept beside its ledger from
// run to run, so that a central server can add up the stations' delays and
// take quantiles of the sum. Its counts only grow: a run adds the slots it
// completed and never reads the ledger's past, so keeping it costs what is
// new, and archiving, rebuilt caches and restarts leave it as it was.
//
// A slot counts once, in the run in which it comes to hold the files a slot
// holds, with the latest delay among its files then; a product of the
// built-in crm family is a slot of its own. A slot whose delay is negative
// (its writer's clock ran ahead) is left out, as one without a measured delay
// is: a histogram's sum must never go down.
#include "platform/FileLock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The buckets' upper bounds in seconds, from a minute to a day, with the
// default limits (35 and 45 minutes) among them; a last bucket takes the rest.
inline constexpr std::array<int64_t, 16> DelayBucketBounds{60,   120,  300,  600,   900,   1200,  1800,  2100,
                                                           2700, 3600, 5400, 7200, 10800, 21600, 43200, 86400};

struct TDelayHistogram
{
    // Slots per bucket, not cumulative; the last is above every bound.
    std::array<uint64_t, DelayBucketBounds.size() + 1> Buckets{};
    uint64_t Count = 0;
    uint64_t SumSeconds = 0;
    // The files a slot needed to count at the last update; 0 before the first.
    int FilesPerSlot = 0;

    // seconds: from 0.
    void Observe(int64_t seconds);
    bool operator==(const TDelayHistogram&) const = default;
};

// Whether a run that took a slot from `before` files to `after` counts it:
// it holds a slot's files now and did not when the histogram was last kept.
// keptFilesPerSlot: what a slot needed then (a slot that reached a smaller
// number counted then), 0 when nothing was kept yet.
bool SlotCountsNow(int before, int after, int keptFilesPerSlot, int filesPerSlot);

// The histogram as text; Decode gives nothing for a text that is not one
// whole histogram with these buckets.
QByteArray EncodeDelayHistogram(const TDelayHistogram& histogram);
std::optional<TDelayHistogram> DecodeDelayHistogram(QByteArrayView text);

// Where a family keeps its histogram: delays.txt in a family's ledger folder
// (ending with '/'); beside the CRM ledger NAME.txt, NAME-delays.txt.
QString DelayHistogramFile(const QString& ledger);

// The histogram kept in the file; none kept yet is an empty one. False, with
// error, when the file cannot be read or is damaged (histogram then empty).
bool ReadDelayHistogramFile(const QString& path, TDelayHistogram& histogram, QString& error);

// Changes the histogram kept in the file under an advisory lock on
// "<file>.lock", so that concurrent runs add up, and replaces the file
// through a temporary file flushed to the disk (unchanged: not written).
// kept: the histogram after the change. False, with error, when it could not
// be kept; true with error set when a damaged file was started again from
// zero (a counter reset, which the server sees as one).
bool UpdateDelayHistogramFile(const QString& path, const TLockWait& wait,
                              const std::function<void(TDelayHistogram&)>& change, TDelayHistogram& kept,
                              QString& error);
