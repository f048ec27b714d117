#pragma once
// The daily completeness report (-report, and the history window's copy) as
// CSV: RFC 4180, UTF-8, CR LF after every record. The header
//   family,day,expected,received,missing,missing_files,late,very_late,
//   on_time_ratio,delay_p50_seconds,delay_p95_seconds,delay_max_seconds
// and, when any family counts slots (TFigureUnit), a column files, and with
// an outages file a last column excused (the slots of planned outages); then,
// family after family, one record per UTC day of TStationCompleteness::Days,
// newest first. A figure that does not exist is an empty field: expected,
// missing, missing files and the ratio while the schedule is not known, the
// ratio of a day without due slots, the delays of a day without a measured
// delay.
#include "report/Completeness.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TFamilyCompleteness
{
    QString Family;
    const TStationCompleteness* Completeness = nullptr;
};

QByteArray CompletenessReportCsv(const std::vector<TFamilyCompleteness>& families);

// A ratio from 0 to 1 as a decimal fraction with at most four decimals and a
// point in every locale: "1", "0.9688", "0".
QString FormatRatio(double ratio);
