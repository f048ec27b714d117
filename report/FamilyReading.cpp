#include "report/FamilyReading.h"

TStationCompleteness FamilyCompleteness(const TFamilyRules& rules, const TLedgerView& view, TDateTime now)
{
    // The days shown and the ones the schedule is learned from: the digested
    // days, or else the entries from the month's start on, with the product
    // before it, which tells how far back the ledger reaches.
    std::vector<TProductGroup> groups;
    for (const TDayDigest* day : view.Days)
        groups.insert(groups.end(), day->Groups.begin(), day->Groups.end());
    std::vector<TLedgerEntry> recent;
    if (view.Days.empty()) {
        recent = view.Entries->Since(CompletenessSince(now), now);
        groups = ProductGroupsOf(recent);
    }
    const TExpectedSchedule schedule = rules.Expect ? *rules.Expect : LearnSchedule(groups, now, rules.Outages);
    const int filesPerSlot =
        rules.FilesPerSlot ? *rules.FilesPerSlot : LearnFilesPerSlot(groups, schedule, now, rules.Outages);
    return AssessCompleteness(groups, view.HoldsOlder, schedule, now, rules.Limits, filesPerSlot, rules.Unit,
                              rules.Outages, view.Unlisted);
}

TFamilyReading ReadFamily(const TFamilyRules& rules, const TLedgerView& view, TDateTime now, const QString& problem,
                          int productsRecorded)
{
    TFamilyReading reading;
    reading.Name = rules.Name;
    reading.Problem = problem;
    reading.ProductsRecorded = productsRecorded;
    reading.Entries = view.Entries;
    reading.Limits = rules.Limits;
    reading.Completeness = FamilyCompleteness(rules, view, now);
    TLedgerEntries& entries = *view.Entries;
    TChartRules chart;
    chart.Limits = rules.Limits;
    chart.CrmBars = rules.CrmChart;
    chart.FilesPerSlot = reading.Completeness.FilesPerSlot;
    chart.SlotsPerDay = int(reading.Completeness.Schedule.SlotMinutes.size());
    reading.Summary = SummariseFamilyChart(entries, chart, now);
    reading.Status = AssessStation(entries, now, rules.Limits, reading.Summary, rules.Unit);
    reading.Status.LedgerEntries = view.Lines;
    reading.Status.FutureProducts += view.FutureProducts;
    if (reading.Status.Newest)
        reading.Completeness.OutageSecondsSinceNewest =
            static_cast<double>(
                rules.Outages.CoveredMs(DateTimeToUnixMs(reading.Status.Newest->Nominal), DateTimeToUnixMs(now))) /
            1000.0;
    return reading;
}

TFamilyReading ReadFamily(const TFamilyRules& rules, TLedgerEntries& entries, TDateTime now, const QString& problem,
                          int productsRecorded)
{
    return ReadFamily(rules, TLedgerView{&entries, {}, false, entries.LineCount()}, now, problem, productsRecorded);
}

QByteArray PrintedFamilies(const std::vector<TFamilyReading>& families, const QString& baseCaption, TDateTime now)
{
    QByteArray text;
    for (const TFamilyReading& family : families) {
        if (families.size() > 1)
            text += (QLatin1Char('[') + family.Name + QStringLiteral("]\n")).toLocal8Bit();
        text += PrintedSummary(SummaryCaption(baseCaption, family.Summary.LastDate, now),
                               SummaryHint(family.Summary.TextLines));
    }
    return text;
}

std::vector<TFamilyCompleteness> FamilyCompletenesses(const std::vector<TFamilyReading>& families)
{
    std::vector<TFamilyCompleteness> completeness;
    for (const TFamilyReading& family : families)
        completeness.push_back({family.Name, &family.Completeness});
    return completeness;
}
