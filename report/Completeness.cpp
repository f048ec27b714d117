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
    const TLedgerEntry* Entry = nullptr;
    TSlotState State = TSlotState::Unmeasured;
};

struct TCellAt
{
    int64_t Ms = 0;
    TSlotCell Cell;
};

TSlotState StateOf(const TLedgerEntry& entry, const TCompletenessLimits& limits)
{
    if (!entry.Seconds)
        return TSlotState::Unmeasured;
    switch (DelayBandOf(DelayMinutes(*entry.Seconds), limits.WarningMinutes, limits.CriticalMinutes)) {
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
    const std::optional<int32_t>& x = a->Entry->Seconds;
    const std::optional<int32_t>& y = b->Entry->Seconds;
    if (x.has_value() != y.has_value())
        return x.has_value();
    return x && *x < *y;
}

// The figures of the products and cells whose nominal time lies in [low, high).
TCompletenessFigures FiguresOf(const std::vector<TProduct>& products, const std::vector<TCellAt>& cells, int64_t low,
                               int64_t high)
{
    TCompletenessFigures f;
    const auto productsFrom = std::lower_bound(products.begin(), products.end(), low,
                                               [](const TProduct& p, int64_t ms) { return p.Ms < ms; });
    std::vector<int32_t> delays;
    for (auto p = productsFrom; p != products.end() && p->Ms < high; ++p) {
        ++f.Received;
        f.OnTime += p->State == TSlotState::OnTime;
        f.Late += p->State == TSlotState::Late;
        f.VeryLate += p->State == TSlotState::VeryLate;
        f.Unmeasured += p->State == TSlotState::Unmeasured;
        if (p->Entry->Seconds)
            delays.push_back(*p->Entry->Seconds);
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
    std::sort(delays.begin(), delays.end());
    f.DelayCount = static_cast<int>(delays.size());
    for (const int32_t d : delays)
        f.DelaySumSeconds += d;
    f.DelayP50Seconds = NearestRank(delays, 50);
    f.DelayP95Seconds = NearestRank(delays, 95);
    f.DelayMaxSeconds = NearestRank(delays, 100);
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
    TStationCompleteness result;
    result.Schedule = schedule;
    result.FilesPerSlot = std::max(1, filesPerSlot);
    const int64_t nowMs = DateTimeToUnixMs(now);
    const int64_t today = FloorDiv(nowMs, MsPerDay);
    // One day more than reported: the 30-day window begins in it.
    const int64_t firstDay = today - DaysReported;
    const int64_t lowMs = firstDay * MsPerDay;
    const int64_t graceMs = std::llround(limits.MissingAfterMinutes * static_cast<double>(MsPerMinute));

    // One pass over the ledger: its first product, and the products of the
    // days looked at (compared as doubles first, converted only when near).
    const TDateTime lowest = UnixMsToDateTime(lowMs) - 1.0 / 1440;
    const TDateTime highest = now + 1.0 / 1440;
    TDateTime firstNominal = 0;
    std::vector<TProduct> products;
    for (const TLedgerEntry& entry : entries) {
        if (entry.Nominal == 0.0)
            continue;
        if (firstNominal == 0.0 || entry.Nominal < firstNominal)
            firstNominal = entry.Nominal;
        if (entry.Nominal < lowest || entry.Nominal > highest)
            continue;
        const int64_t ms = DateTimeToUnixMs(entry.Nominal);
        if (ms >= lowMs && ms <= nowMs)
            products.push_back({ms, &entry, StateOf(entry, limits)});
    }
    // In time order; of equal times, ledger order.
    std::stable_sort(products.begin(), products.end(),
                     [](const TProduct& a, const TProduct& b) { return a.Ms < b.Ms; });
    const int64_t firstMs = firstNominal == 0.0 ? nowMs + 1 : DateTimeToUnixMs(firstNominal);

    // Every slot of every day looked at, in time order, matched with the
    // products in one merge.
    std::vector<TCellAt> cells;
    cells.reserve(static_cast<size_t>(DaysReported + 1) * schedule.SlotMinutes.size());
    auto next = products.begin();
    std::vector<const TProduct*> held;
    for (int64_t day = firstDay; day <= today; ++day) {
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
            cell.Files = static_cast<int>(held.size());
            if (cell.Files >= result.FilesPerSlot) {
                const auto completing = held.begin() + (result.FilesPerSlot - 1);
                std::nth_element(held.begin(), completing, held.end(), [](const TProduct* a, const TProduct* b) {
                    return ArrivesBefore(a, b) || (!ArrivesBefore(b, a) && a < b);
                });
                cell.State = (*completing)->State;
                cell.Product = (*completing)->Entry->Name;
                cell.DelaySeconds = (*completing)->Entry->Seconds;
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
    if (!schedule.Known())
        return 1;
    const int64_t today = FloorDiv(DateTimeToUnixMs(now), MsPerDay);
    const int64_t first = today - ScheduleSampleSpanDays;
    const TDateTime lowest = UnixMsToDateTime(first * MsPerDay) - 1.0 / 1440;
    const TDateTime highest = UnixMsToDateTime(today * MsPerDay) + 1.0 / 1440;
    std::vector<int64_t> times;
    for (const TLedgerEntry& entry : entries) {
        if (entry.Nominal == 0.0 || entry.Nominal < lowest || entry.Nominal > highest)
            continue;
        const int64_t ms = DateTimeToUnixMs(entry.Nominal);
        if (ms >= first * MsPerDay && ms < today * MsPerDay && ms % MsPerMinute == 0 &&
            std::binary_search(schedule.SlotMinutes.begin(), schedule.SlotMinutes.end(),
                               static_cast<int>((ms - FloorDiv(ms, MsPerDay) * MsPerDay) / MsPerMinute)))
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    // How many slots held each count of files.
    std::vector<int> slotsHolding;
    for (size_t run = 0; run < times.size();) {
        size_t end = run;
        while (end < times.size() && times[end] == times[run])
            ++end;
        if (slotsHolding.size() <= end - run)
            slotsHolding.resize(end - run + 1);
        ++slotsHolding[end - run];
        run = end;
    }
    int learned = 1;
    for (size_t count = 1; count < slotsHolding.size(); ++count)
        if (slotsHolding[count] > 0 && slotsHolding[count] >= slotsHolding[static_cast<size_t>(learned)])
            learned = static_cast<int>(count);
    return learned;
}
