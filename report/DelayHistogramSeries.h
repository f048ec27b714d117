#pragma once
// The delay histogram of each family (station/DelayHistogram.h) in the
// Prometheus text exposition format: lagwatch_delay_seconds_bucket with its
// cumulative le buckets, _sum and _count, labelled as the other series are,
// so a central server adds the stations' buckets of a family up and takes
// quantiles of the sum.
#include "station/DelayHistogram.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TFamilyDelays
{
    QString Family;
    const TDelayHistogram* Histogram = nullptr;
};

// Nothing when no family has a histogram.
QByteArray DelayHistogramSeries(const QString& folder, const std::vector<TFamilyDelays>& families);
