#include "report/FamilyReading.h"

TStationCompleteness FamilyCompleteness(const TFamilyRules& rules, TLedgerEntries& entries, TDateTime now)
{
    // The days shown and the ones the schedule is learned from, with the
    // product before them, which tells how far back the ledger reaches.
    const std::vector<TLedgerEntry> recent = entries.Since(CompletenessSince(now));
    const TExpectedSchedule schedule = rules.Expect ? *rules.Expect : LearnSchedule(recent, now);
    const int filesPerSlot = rules.FilesPerSlot ? *rules.FilesPerSlot : LearnFilesPerSlot(recent, schedule, now);
    return AssessCompleteness(recent, schedule, now, rules.CompletenessLimits, filesPerSlot);
}

TFamilyReading ReadFamily(const TFamilyRules& rules, TLedgerEntries& entries, TDateTime now, const QString& problem,
                          int productsRecorded)
{
    TFamilyReading reading;
    reading.Name = rules.Name;
    reading.Problem = problem;
    reading.ProductsRecorded = productsRecorded;
    reading.Entries = &entries;
    reading.Thresholds = rules.Thresholds;
    reading.CompletenessLimits = rules.CompletenessLimits;
    reading.Completeness = FamilyCompleteness(rules, entries, now);
    reading.Status = AssessStation(entries, now, rules.Thresholds, reading.Completeness.FilesPerSlot);
    reading.Summary = SummariseLedgerEntries(NewestSlotEntries(entries, reading.Completeness.FilesPerSlot));
    return reading;
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
