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

TSlotState StateOf(const std::optional<int32_t>& seconds, const TFamilyLimits& limits)
{
    if (!seconds || IsClockSkew(*seconds))
        return TSlotState::Unmeasured;
    switch (DelayBandOf(DelayMinutes(*seconds), limits)) {
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

// The count, sum and percentiles of delays given with their counts.
void SetDelays(TCompletenessFigures& f, std::vector<std::pair<int32_t, int>>& delays)
{
    int64_t count = 0;
    for (const auto& [delay, n] : delays) {
        count += n;
        f.DelaySumSeconds += static_cast<double>(delay) * n;
    }
    std::sort(delays.begin(), delays.end(),
              [](const std::pair<int32_t, int>& a, const std::pair<int32_t, int>& b) { return a.first < b.first; });
    f.DelayCount = static_cast<int>(count);
    f.DelayP50Seconds = NearestRankOfCounts(delays, count, 50);
    f.DelayP95Seconds = NearestRankOfCounts(delays, count, 95);
    f.DelayMaxSeconds = NearestRankOfCounts(delays, count, 100);
}

template <typename T>
auto FirstAtOrAfter(const std::vector<T>& items, int64_t ms)
{
    return std::lower_bound(items.begin(), items.end(), ms, [](const T& item, int64_t at) { return item.Ms < at; });
}

// The figures of the products and cells whose nominal time lies in [low,
// high), counting every product received.
TCompletenessFigures ProductFiguresOf(const std::vector<TProduct>& products, const std::vector<TCellAt>& cells,
                                      int64_t low, int64_t high)
{
    TCompletenessFigures f;
    std::vector<std::pair<int32_t, int>> delays;
    for (auto p = FirstAtOrAfter(products, low); p != products.end() && p->Ms < high; ++p) {
        const int n = p->Group->Count;
        f.Received += n;
        f.OnTime += p->State == TSlotState::OnTime ? n : 0;
        f.Late += p->State == TSlotState::Late ? n : 0;
        f.VeryLate += p->State == TSlotState::VeryLate ? n : 0;
        f.Unmeasured += p->State == TSlotState::Unmeasured ? n : 0;
        const bool skew = p->Group->Seconds && IsClockSkew(*p->Group->Seconds);
        f.ClockSkew += skew ? n : 0;
        if (p->Group->Seconds && !skew)
            delays.emplace_back(*p->Group->Seconds, n);
    }
    f.Files = f.Received;
    for (auto c = FirstAtOrAfter(cells, low); c != cells.end() && c->Ms < high; ++c) {
        if (!c->Cell.Due) {
            f.Excused += c->Cell.State == TSlotState::Excused;
            continue;
        }
        ++f.Expected;
        f.Missing += c->Cell.State == TSlotState::Missing;
        f.MissingFiles += c->Cell.MissingFiles;
        f.OnTimeInSlots += c->Cell.State == TSlotState::OnTime;
    }
    if (f.Expected > 0)
        f.OnTimeRatio = static_cast<double>(f.OnTimeInSlots) / f.Expected;
    SetDelays(f, delays);
    return f;
}

// The figures of the slots whose nominal time lies in [low, high): each slot
// that is due or complete once, the files apart.
TCompletenessFigures SlotFiguresOf(const std::vector<TProduct>& products, const std::vector<TCellAt>& counted,
                                   int64_t low, int64_t high, bool scheduled)
{
    TCompletenessFigures f;
    for (auto p = FirstAtOrAfter(products, low); p != products.end() && p->Ms < high; ++p)
        f.Files += p->Group->Count;
    std::vector<std::pair<int32_t, int>> delays;
    for (auto c = FirstAtOrAfter(counted, low); c != counted.end() && c->Ms < high; ++c) {
        const TSlotCell& cell = c->Cell;
        switch (cell.State) {
        case TSlotState::NotDue:
            continue;
        case TSlotState::Excused:
            ++f.Excused;
            continue;
        case TSlotState::Unmeasured:
            ++f.Unmeasured;
            f.ClockSkew += cell.DelaySeconds && IsClockSkew(*cell.DelaySeconds);
            continue;
        case TSlotState::Missing:
            ++f.Missing;
            f.MissingFiles += cell.MissingFiles;
            break;
        case TSlotState::OnTime:
        case TSlotState::Late:
        case TSlotState::VeryLate:
            ++f.Received;
            f.OnTime += cell.State == TSlotState::OnTime;
            f.Late += cell.State == TSlotState::Late;
            f.VeryLate += cell.State == TSlotState::VeryLate;
            delays.emplace_back(*cell.DelaySeconds, 1);
            break;
        }
        ++f.Expected;
    }
    f.OnTimeInSlots = f.OnTime;
    if (scheduled && f.Expected > 0)
        f.OnTimeRatio = static_cast<double>(f.OnTime) / f.Expected;
    SetDelays(f, delays);
    return f;
}

// The file of a complete slot that gives it its delay; held: the slot's
// files, in ledger order.
const TProduct* Deciding(std::vector<const TProduct*>& held, int filesPerSlot, TFigureUnit unit)
{
    if (unit == TFigureUnit::Slot) {
        const TProduct* latest = held.front();
        for (const TProduct* p : held)
            if (p->Group->Seconds && (!latest->Group->Seconds || *p->Group->Seconds > *latest->Group->Seconds))
                latest = p;
        return latest;
    }
    std::sort(held.begin(), held.end(), [](const TProduct* a, const TProduct* b) {
        return ArrivesBefore(a, b) || (!ArrivesBefore(b, a) && a < b);
    });
    // The file at files-per-slot in that order completed the slot.
    auto completing = held.begin();
    for (int files = (*completing)->Group->Count; files < filesPerSlot; files += (*completing)->Group->Count)
        ++completing;
    return *completing;
}

// Fills a slot of the given time from the products at that time, from next
// on (advanced past the earlier ones); held: room for the slot's files.
void FillSlot(TCellAt& at, std::vector<TProduct>::const_iterator& next, const std::vector<TProduct>& products,
              int filesPerSlot, TFigureUnit unit, std::vector<const TProduct*>& held)
{
    TSlotCell& cell = at.Cell;
    while (next != products.end() && next->Ms < at.Ms)
        ++next;
    held.clear();
    for (auto p = next; p != products.end() && p->Ms == at.Ms; ++p)
        held.push_back(&*p);
    cell.Files = 0;
    for (const TProduct* p : held)
        cell.Files += p->Group->Count;
    if (cell.Files >= filesPerSlot) {
        const TProduct* deciding = Deciding(held, filesPerSlot, unit);
        cell.State = deciding->State;
        if (const TLedgerEntry* entry = deciding->Group->Entry)
            cell.Product = entry->Name;
        cell.DelaySeconds = deciding->Group->Seconds;
    } else if (cell.Due) {
        cell.State = TSlotState::Missing;
        cell.MissingFiles = filesPerSlot - cell.Files;
    }
}

// A slot inside a planned outage of its family is not due unless it is
// complete: an empty or partial one is excused, neither expected nor missing.
void ExcuseOutage(TSlotCell& cell, int64_t ms, const TFamilyOutages& outages)
{
    if (outages.Windows.empty())
        return;
    cell.Outage = outages.Excusing(ms);
    if (cell.Outage >= 0 && cell.State == TSlotState::Missing) {
        cell.State = TSlotState::Excused;
        cell.Due = false;
        cell.MissingFiles = 0;
    }
}

// The outage active now, and the slots each window excused in the windows of time.
void TellOutages(TStationCompleteness& result, const TFamilyOutages& outages, const std::vector<TCellAt>& cells,
                 int64_t nowMs)
{
    result.Outages = outages;
    if (outages.Windows.empty())
        return;
    result.ActiveOutage = outages.ActiveAt(nowMs);
    result.ExcusedByWindow.resize(outages.Windows.size());
    for (const TCellAt& c : cells) {
        if (c.Cell.State != TSlotState::Excused || c.Ms > nowMs)
            continue;
        TStationCompleteness::TExcusedSlots& excused = result.ExcusedByWindow[static_cast<size_t>(c.Cell.Outage)];
        excused.Last24Hours += c.Ms > nowMs - MsPerDay;
        excused.Last7Days += c.Ms > nowMs - 7 * MsPerDay;
        excused.Last30Days += c.Ms > nowMs - DaysReported * MsPerDay;
    }
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
                                        TDateTime now, const TFamilyLimits& limits, int filesPerSlot,
                                        TFigureUnit unit, const TFamilyOutages& outages)
{
    return AssessCompleteness(ProductGroupsOf(entries), false, schedule, now, limits, filesPerSlot, unit, outages);
}

TStationCompleteness AssessCompleteness(const std::vector<TProductGroup>& groups, bool holdsOlder,
                                        const TExpectedSchedule& schedule, TDateTime now, const TFamilyLimits& limits,
                                        int filesPerSlot, TFigureUnit unit, const TFamilyOutages& outages,
                                        const TUnlistedDays* unlisted)
{
    TStationCompleteness result;
    result.Schedule = schedule;
    result.FilesPerSlot = std::max(1, filesPerSlot);
    result.Unit = unit;
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
    auto next = products.cbegin();
    std::vector<const TProduct*> held;
    for (int64_t day = firstDay; day <= today; ++day) {
        // What the walk could not see there is not known to be missing.
        const bool unseen = unlisted && unlisted->Holds(std::llround(UnixMsToDateTime(day * MsPerDay)));
        for (const int slot : schedule.SlotMinutes) {
            TCellAt at;
            at.Ms = day * MsPerDay + slot * MsPerMinute;
            at.Cell.SlotMinutes = slot;
            at.Cell.Nominal = UnixMsToDateTime(at.Ms);
            at.Cell.Due = at.Ms >= firstMs && at.Ms <= nowMs - graceMs;
            FillSlot(at, next, products, result.FilesPerSlot, unit, held);
            ExcuseOutage(at.Cell, at.Ms, outages);
            if (unseen && at.Cell.State == TSlotState::Missing) {
                at.Cell.State = TSlotState::Unmeasured;
                at.Cell.Due = false;
                at.Cell.MissingFiles = 0;
            }
            cells.push_back(std::move(at));
        }
    }
    // Counting slots without a schedule, every nominal time is one.
    std::vector<TCellAt> times;
    if (unit == TFigureUnit::Slot && !schedule.Known()) {
        next = products.cbegin();
        for (auto p = products.cbegin(); p != products.cend(); ++p)
            if (times.empty() || times.back().Ms != p->Ms) {
                TCellAt at;
                at.Ms = p->Ms;
                at.Cell.SlotMinutes = static_cast<int>((p->Ms - FloorDiv(p->Ms, MsPerDay) * MsPerDay) / MsPerMinute);
                at.Cell.Nominal = UnixMsToDateTime(p->Ms);
                FillSlot(at, next, products, result.FilesPerSlot, unit, held);
                times.push_back(std::move(at));
            }
    }
    const std::vector<TCellAt>& counted = schedule.Known() ? cells : times;
    auto figures = [&](int64_t low, int64_t high) {
        return unit == TFigureUnit::Slot ? SlotFiguresOf(products, counted, low, high, schedule.Known())
                                         : ProductFiguresOf(products, cells, low, high);
    };

    for (int64_t day = today; day > today - DaysReported; --day) {
        TDayCompleteness d;
        d.Day = UnixMsToDateTime(day * MsPerDay);
        d.Figures = figures(day * MsPerDay, std::min((day + 1) * MsPerDay, nowMs + 1));
        for (auto c = FirstAtOrAfter(cells, day * MsPerDay); c != cells.end() && c->Ms < (day + 1) * MsPerDay; ++c)
            d.Cells.push_back(c->Cell);
        result.Days.push_back(std::move(d));
    }
    const int64_t dayAgo = nowMs - MsPerDay;
    result.Last24Hours = figures(dayAgo + 1, nowMs + 1);
    result.Last7Days = figures(nowMs - 7 * MsPerDay + 1, nowMs + 1);
    result.Last30Days = figures(nowMs - DaysReported * MsPerDay + 1, nowMs + 1);
    for (const TCellAt& c : cells)
        if (c.Ms > dayAgo && c.Ms <= nowMs && c.Cell.Due && c.Cell.State == TSlotState::Missing)
            result.Missing24Hours.push_back(c.Cell.Nominal);
    TellOutages(result, outages, cells, nowMs);
    return result;
}

int LearnFilesPerSlot(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule, TDateTime now)
{
    return LearnFilesPerSlot(ProductGroupsOf(entries), schedule, now);
}

int LearnFilesPerSlot(const std::vector<TProductGroup>& groups, const TExpectedSchedule& schedule, TDateTime now,
                      const TFamilyOutages& outages)
{
    // A schedule given from the first day must not make one day's files the rule.
    if (!schedule.Known() || LearningDays(groups, now) < ScheduleMinimumSampleDays)
        return 1;
    const int64_t today = FloorDiv(DateTimeToUnixMs(now), MsPerDay);
    const int64_t first = today - ScheduleSampleSpanDays;
    // The files of each slot time of the sample days.
    std::vector<std::pair<int64_t, int>> times;
    for (const TProductGroup& group : groups) {
        const int64_t ms = group.Ms;
        if (ms >= first * MsPerDay && ms < today * MsPerDay && ms % MsPerMinute == 0 &&
            std::binary_search(schedule.SlotMinutes.begin(), schedule.SlotMinutes.end(),
                               static_cast<int>((ms - FloorDiv(ms, MsPerDay) * MsPerDay) / MsPerMinute)) &&
            outages.Excusing(ms) < 0)
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
