#pragma once
// The daily completeness report (-report, and the history window's copy) as
// CSV: RFC 4180, UTF-8, CR LF after every record. The header
//   day,expected,received,missing,late,very_late,on_time_ratio,
//   delay_p50_seconds,delay_p95_seconds,delay_max_seconds
// then one record per UTC day of TStationCompleteness::Days, newest first.
// A figure that does not exist is an empty field: expected, missing and the
// ratio while the schedule is not known, the ratio of a day without due
// slots, the delays of a day without a measured delay.
#include "report/Completeness.h"

#include <QByteArray>
#include <QString>

QByteArray CompletenessReportCsv(const TStationCompleteness& completeness);

// A ratio from 0 to 1 as a decimal fraction with at most four decimals and a
// point in every locale: "1", "0.9688", "0".
QString FormatRatio(double ratio);
