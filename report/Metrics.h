#pragma once
// The station's metrics in the Prometheus text exposition format, for a node
// exporter's text-file collector: every series carries the data folder as
// its one label, so one central server can tell the stations apart.
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
};

QByteArray MetricsText(const TRunMetrics& run, const TStationStatus& status, const TMonitoringThresholds& thresholds);

// A label value as the exposition format writes it: backslash, double quote
// and line feed escaped.
QString EscapeLabelValue(const QString& value);
