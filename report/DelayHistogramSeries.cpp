#include "report/DelayHistogramSeries.h"

#include "report/Metrics.h"

QByteArray DelayHistogramSeries(const QString& folder, const std::vector<TFamilyDelays>& families)
{
    QByteArray text;
    for (const TFamilyDelays& family : families) {
        if (!family.Histogram)
            continue;
        if (text.isEmpty())
            text = "# HELP lagwatch_delay_seconds Delays of the slots recorded, each counted once, when it became "
                   "complete, with the latest delay among its files; kept from run to run.\n"
                   "# TYPE lagwatch_delay_seconds histogram\n";
        const QByteArray labels =
            QStringLiteral("folder=\"%1\",family=\"%2\"")
                .arg(EscapeLabelValue(folder), EscapeLabelValue(family.Family))
                .toUtf8();
        const TDelayHistogram& histogram = *family.Histogram;
        uint64_t cumulative = 0;
        for (size_t i = 0; i < histogram.Buckets.size(); ++i) {
            cumulative += histogram.Buckets[i];
            const QByteArray le = i < DelayBucketBounds.size() ? QByteArray::number(DelayBucketBounds[i]) : "+Inf";
            text += "lagwatch_delay_seconds_bucket{" + labels + ",le=\"" + le + "\"} " +
                    QByteArray::number(cumulative) + '\n';
        }
        text += "lagwatch_delay_seconds_sum{" + labels + "} " + QByteArray::number(histogram.SumSeconds) + '\n';
        text += "lagwatch_delay_seconds_count{" + labels + "} " + QByteArray::number(histogram.Count) + '\n';
    }
    return text;
}
