#include "report/Completeness.h"

#include "report/DelayBands.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t MsPerMinute = 60000;
constexpr int64_t MsPerDay = 86400000;
constexpr int DaysReported = 30;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

struct TProduct
{
    int64_t Ms = 0;
    const TProductGroup* Group = nullptr;
    TSlotState State = TSlotState::Unmeasured;
};

struct TCellAt
{
    int64_t Ms = 0;
    TSlotCell Cell;
};

TSlotState StateOf(const std::optional<int32_t>& seconds, const TCompletenessLimits& limits)
{
    if (!seconds || IsClockSkew(*seconds))
        return TSlotState::Unmeasured;
    switch (DelayBandOf(DelayMinutes(*seconds), limits.WarningMinutes, limits.CriticalMinutes)) {
    case TDelayBand::InTime:
        return TSlotState::OnTime;
    case TDelayBand::NearlyLate:
        return TSlotState::Late;
    case TDelayBand::Late:
        break;
    }
    return TSlotState::VeryLate;
}

// The order of a slot's files by delay: measured before unmeasured, then the
// smaller delay; of equals the earlier in ledger order (a stable sort).
bool ArrivesBefore(const TProduct* a, const TProduct* b)
{
    const std::optional<int32_t>& x = a->Group->Seconds;
    const std::optional<int32_t>& y = b->Group->Seconds;
    if (x.has_value() != y.has_value())
        return x.has_value();
    return x && *x < *y;
}

// The nearest rank of delays given with their counts, sorted by delay.
std::optional<int32_t> NearestRankOfCounts(const std::vector<std::pair<int32_t, int>>& sorted, int64_t n, int percent)
{
    if (n == 0)
        return std::nullopt;
    const int64_t rank = std::clamp<int64_t>((percent * n + 99) / 100, 1, n);
    int64_t seen = 0;
    for (const auto& [delay, count] : sorted)
        if ((seen += count) >= rank)
            return delay;
    return sorted.back().first;
}

// The figures of the products and cells whose nominal time lies in [low, high).
TCompletenessFigures FiguresOf(const std::vector<TProduct>& products, const std::vector<TCellAt>& cells, int64_t low,
                               int64_t high)
{
    TCompletenessFigures f;
    const auto productsFrom = std::lower_bound(products.begin(), products.end(), low,
                                               [](const TProduct& p, int64_t ms) { return p.Ms < ms; });
    std::vector<std::pair<int32_t, int>> delays;
    int64_t delayCount = 0;
    for (auto p = productsFrom; p != products.end() && p->Ms < high; ++p) {
        const int n = p->Group->Count;
        f.Received += n;
        f.OnTime += p->State == TSlotState::OnTime ? n : 0;
        f.Late += p->State == TSlotState::Late ? n : 0;
        f.VeryLate += p->State == TSlotState::VeryLate ? n : 0;
        f.Unmeasured += p->State == TSlotState::Unmeasured ? n : 0;
        const bool skew = p->Group->Seconds && IsClockSkew(*p->Group->Seconds);
        f.ClockSkew += skew ? n : 0;
        if (p->Group->Seconds && !skew) {
            delays.emplace_back(*p->Group->Seconds, n);
            delayCount += n;
            f.DelaySumSeconds += static_cast<double>(*p->Group->Seconds) * n;
        }
    }
    const auto cellsFrom =
        std::lower_bound(cells.begin(), cells.end(), low, [](const TCellAt& c, int64_t ms) { return c.Ms < ms; });
    for (auto c = cellsFrom; c != cells.end() && c->Ms < high; ++c) {
        if (!c->Cell.Due)
            continue;
        ++f.Expected;
        f.Missing += c->Cell.State == TSlotState::Missing;
        f.MissingFiles += c->Cell.MissingFiles;
        f.OnTimeInSlots += c->Cell.State == TSlotState::OnTime;
    }
    if (f.Expected > 0)
        f.OnTimeRatio = static_cast<double>(f.OnTimeInSlots) / f.Expected;
    std::sort(delays.begin(), delays.end(),
              [](const std::pair<int32_t, int>& a, const std::pair<int32_t, int>& b) { return a.first < b.first; });
    f.DelayCount = static_cast<int>(delayCount);
    f.DelayP50Seconds = NearestRankOfCounts(delays, delayCount, 50);
    f.DelayP95Seconds = NearestRankOfCounts(delays, delayCount, 95);
    f.DelayMaxSeconds = NearestRankOfCounts(delays, delayCount, 100);
    return f;
}

}  // namespace

std::optional<int32_t> NearestRank(const std::vector<int32_t>& sorted, int percent)
{
    if (sorted.empty())
        return std::nullopt;
    // In integers: ceil(0.95 * 20) in doubles is 19 only by luck of rounding.
    const int64_t n = static_cast<int64_t>(sorted.size());
    const int64_t rank = std::clamp<int64_t>((percent * n + 99) / 100, 1, n);
    return sorted[static_cast<size_t>(rank - 1)];
}

TStationCompleteness AssessCompleteness(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule,
                                        TDateTime now, const TCompletenessLimits& limits, int filesPerSlot)
{
    return AssessCompleteness(ProductGroupsOf(entries), false, schedule, now, limits, filesPerSlot);
}

TStationCompleteness AssessCompleteness(const std::vector<TProductGroup>& groups, bool holdsOlder,
                                        const TExpectedSchedule& schedule, TDateTime now,
                                        const TCompletenessLimits& limits, int filesPerSlot,
                                        const TUnlistedDays* unlisted)
{
    TStationCompleteness result;
    result.Schedule = schedule;
    result.FilesPerSlot = std::max(1, filesPerSlot);
    const int64_t nowMs = DateTimeToUnixMs(now);
    const int64_t today = FloorDiv(nowMs, MsPerDay);
    // One day more than reported: the 30-day window begins in it.
    const int64_t firstDay = today - DaysReported;
    const int64_t lowMs = firstDay * MsPerDay;
    const int64_t graceMs = std::llround(limits.MissingAfterMinutes * static_cast<double>(MsPerMinute));

    // One pass over the groups: the first product, and the products of the days looked at.
    int64_t firstMs = holdsOlder ? lowMs - 1 : nowMs + 1;
    std::vector<TProduct> products;
    for (const TProductGroup& group : groups) {
        firstMs = std::min(firstMs, group.Ms);
        if (group.Ms >= lowMs && group.Ms <= nowMs)
            products.push_back({group.Ms, &group, StateOf(group.Seconds, limits)});
    }
    // In time order; of equal times, ledger order.
    std::stable_sort(products.begin(), products.end(),
                     [](const TProduct& a, const TProduct& b) { return a.Ms < b.Ms; });

    // Every slot of every day looked at, in time order, matched with the
    // products in one merge.
    std::vector<TCellAt> cells;
    cells.reserve(static_cast<size_t>(DaysReported + 1) * schedule.SlotMinutes.size());
    auto next = products.begin();
    std::vector<const TProduct*> held;
    for (int64_t day = firstDay; day <= today; ++day) {
        // What the walk could not see there is not known to be missing.
        const bool unseen = unlisted && unlisted->Holds(std::llround(UnixMsToDateTime(day * MsPerDay)));
        for (const int slot : schedule.SlotMinutes) {
            TCellAt at;
            at.Ms = day * MsPerDay + slot * MsPerMinute;
            TSlotCell& cell = at.Cell;
            cell.SlotMinutes = slot;
            cell.Nominal = UnixMsToDateTime(at.Ms);
            cell.Due = at.Ms >= firstMs && at.Ms <= nowMs - graceMs;
            while (next != products.end() && next->Ms < at.Ms)
                ++next;
            held.clear();
            for (auto p = next; p != products.end() && p->Ms == at.Ms; ++p)
                held.push_back(&*p);
            cell.Files = 0;
            for (const TProduct* p : held)
                cell.Files += p->Group->Count;
            if (cell.Files >= result.FilesPerSlot) {
                std::sort(held.begin(), held.end(), [](const TProduct* a, const TProduct* b) {
                    return ArrivesBefore(a, b) || (!ArrivesBefore(b, a) && a < b);
                });
                // The file at files-per-slot in that order completed the slot.
                auto completing = held.begin();
                for (int files = (*completing)->Group->Count; files < result.FilesPerSlot;
                     files += (*completing)->Group->Count)
                    ++completing;
                cell.State = (*completing)->State;
                if (const TLedgerEntry* entry = (*completing)->Group->Entry)
                    cell.Product = entry->Name;
                cell.DelaySeconds = (*completing)->Group->Seconds;
            } else if (cell.Due && unseen) {
                cell.State = TSlotState::Unmeasured;
                cell.Due = false;
            } else if (cell.Due) {
                cell.State = TSlotState::Missing;
                cell.MissingFiles = result.FilesPerSlot - cell.Files;
            }
            cells.push_back(std::move(at));
        }
    }

    for (int64_t day = today; day > today - DaysReported; --day) {
        TDayCompleteness d;
        d.Day = UnixMsToDateTime(day * MsPerDay);
        d.Figures = FiguresOf(products, cells, day * MsPerDay, std::min((day + 1) * MsPerDay, nowMs + 1));
        const auto from = std::lower_bound(cells.begin(), cells.end(), day * MsPerDay,
                                           [](const TCellAt& c, int64_t ms) { return c.Ms < ms; });
        for (auto c = from; c != cells.end() && c->Ms < (day + 1) * MsPerDay; ++c)
            d.Cells.push_back(c->Cell);
        result.Days.push_back(std::move(d));
    }
    const int64_t dayAgo = nowMs - MsPerDay;
    result.Last24Hours = FiguresOf(products, cells, dayAgo + 1, nowMs + 1);
    result.Last7Days = FiguresOf(products, cells, nowMs - 7 * MsPerDay + 1, nowMs + 1);
    result.Last30Days = FiguresOf(products, cells, nowMs - DaysReported * MsPerDay + 1, nowMs + 1);
    for (const TCellAt& c : cells)
        if (c.Ms > dayAgo && c.Ms <= nowMs && c.Cell.Due && c.Cell.State == TSlotState::Missing)
            result.Missing24Hours.push_back(c.Cell.Nominal);
    return result;
}

int LearnFilesPerSlot(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule, TDateTime now)
{
    return LearnFilesPerSlot(ProductGroupsOf(entries), schedule, now);
}

int LearnFilesPerSlot(const std::vector<TProductGroup>& groups, const TExpectedSchedule& schedule, TDateTime now)
{
    if (!schedule.Known())
        return 1;
    const int64_t today = FloorDiv(DateTimeToUnixMs(now), MsPerDay);
    const int64_t first = today - ScheduleSampleSpanDays;
    // The files of each slot time of the sample days.
    std::vector<std::pair<int64_t, int>> times;
    for (const TProductGroup& group : groups) {
        const int64_t ms = group.Ms;
        if (ms >= first * MsPerDay && ms < today * MsPerDay && ms % MsPerMinute == 0 &&
            std::binary_search(schedule.SlotMinutes.begin(), schedule.SlotMinutes.end(),
                               static_cast<int>((ms - FloorDiv(ms, MsPerDay) * MsPerDay) / MsPerMinute)))
            times.emplace_back(ms, group.Count);
    }
    std::sort(times.begin(), times.end());
    // How many slots held each count of files.
    std::vector<int> slotsHolding;
    for (size_t run = 0; run < times.size();) {
        size_t files = 0, end = run;
        for (; end < times.size() && times[end].first == times[run].first; ++end)
            files += static_cast<size_t>(times[end].second);
        if (slotsHolding.size() <= files)
            slotsHolding.resize(files + 1);
        ++slotsHolding[files];
        run = end;
    }
    int learned = 1;
    for (size_t count = 1; count < slotsHolding.size(); ++count)
        if (slotsHolding[count] > 0 && slotsHolding[count] >= slotsHolding[static_cast<size_t>(learned)])
            learned = static_cast<int>(count);
    return learned;
}
