#pragma once
// The station's metrics in the Prometheus text exposition format, for a node
// exporter's text-file collector: every series carries the data folder as
// its one label, so one central server can tell the stations apart.
#include "report/Completeness.h"
#include "report/StationStatus.h"

#include <QByteArray>
#include <QString>

struct TRunMetrics
{
    QString DataFolder;
    TDateTime RunTime = 0;  // when the run ended, UTC
    double PassSeconds = 0;
    int ProductsRecorded = 0;
    bool Success = false;
    // Day folders the walk found: none means the station watches nothing.
    int DayFoldersFound = 0;
};

// With completeness, also the completeness series, each per window (label
// window="24h", "7d", "30d"): lagwatch_products_expected, _missing, _received,
// _on_time_ratio (NaN without due slots), the summary
// lagwatch_product_delay_seconds (quantiles 0.5, 0.95 and 1, NaN without a
// delay) and lagwatch_schedule_slots (slots a day; 0 while not known).
QByteArray MetricsText(const TRunMetrics& run, const TStationStatus& status, const TMonitoringThresholds& thresholds,
                       const TStationCompleteness* completeness = nullptr);

// A label value as the exposition format writes it: backslash, double quote
// and line feed escaped.
QString EscapeLabelValue(const QString& value);
