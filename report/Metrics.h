#pragma once
// The station's metrics in the Prometheus text exposition format, for a node
// exporter's text-file collector: every series carries the data folder and
// the product family as its labels, so one central server can tell the
// stations and their families apart. A family's limits are series too, so
// alert rules compare each family with its own.
#include "report/DelayHistogramSeries.h"
#include "report/FamilyReading.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TRunMetrics
{
    QString DataFolder;
    TDateTime RunTime = 0;  // when the run ended, UTC
    double PassSeconds = 0;
    bool Success = false;  // of the run as a whole; a family with a problem failed too
    // Day folders the walk found: none means the station watches nothing.
    int DayFoldersFound = 0;
    // Each family's delay histogram (DelayHistogramSeries.h), in the
    // readings' order; the series come last. None: no histogram series.
    std::vector<TFamilyDelays> Delays = {};
};

// One sample a family of every series: the run, the ledger, the newest
// product, the chart's bars, the limits (lagwatch_missing_policy: 0 OK, 1
// warning, 2 critical), and the completeness series, each
// per window (label window="24h", "7d", "30d"): lagwatch_products_expected,
// _missing, _received, lagwatch_files_missing, lagwatch_files_received (when
// a family counts slots: TFigureUnit), lagwatch_products_on_time_ratio (NaN
// without due slots), the summary lagwatch_product_delay_seconds (quantiles
// 0.5, 0.95 and 1, NaN without a delay), lagwatch_schedule_slots (slots a
// day; 0 while not known) and lagwatch_files_per_slot; with an outages file
// lagwatch_outage_active, lagwatch_outage_end_timestamp_seconds (labels
// outage and reason, only while one is active) and lagwatch_slots_excused
// (labels outage and window, one per window covering the family); then the
// histogram lagwatch_delay_seconds. Counting slots, a "product" of these
// series is a slot. Only for the families that have any:
// lagwatch_products_future (named in the future) and
// lagwatch_products_clock_skew (per window).
QByteArray MetricsText(const TRunMetrics& run, const std::vector<TFamilyReading>& families);

// A label value as the exposition format writes it: backslash, double quote
// and line feed escaped.
QString EscapeLabelValue(const QString& value);
