#include "report/CompletenessReport.h"

#include "report/LedgerCsv.h"
#include "report/StationStatus.h"

namespace {

QByteArray Optional(const std::optional<int32_t>& value) { return value ? QByteArray::number(*value) : QByteArray(); }

}  // namespace

QString FormatRatio(double ratio)
{
    QString text = QString::number(ratio, 'f', 4);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    return text;
}

QByteArray CompletenessReportCsv(const std::vector<TFamilyCompleteness>& families)
{
    // The files are a column of their own once slots are counted: the CRM
    // products alone keep the report they always had.
    bool files = false, excused = false;
    for (const TFamilyCompleteness& family : families) {
        files = files || family.Completeness->Unit == TFigureUnit::Slot;
        excused = excused || family.Completeness->Outages.Calendar;
    }
    QByteArray out = "family,day,expected,received,missing,missing_files,late,very_late,on_time_ratio,"
                     "delay_p50_seconds,delay_p95_seconds,delay_max_seconds";
    out += files ? ",files" : "";
    out += excused ? ",excused\r\n" : "\r\n";
    for (const TFamilyCompleteness& family : families) {
        const bool known = family.Completeness->Schedule.Known();
        const QByteArray prefix = CsvField(family.Family).toUtf8() + ',';
        for (const TDayCompleteness& day : family.Completeness->Days) {
            const TCompletenessFigures& f = day.Figures;
            out += prefix + FormatIsoUtc(day.Day).left(10).toLatin1();
            out += ',';
            if (known)
                out += QByteArray::number(f.Expected);
            out += ',' + QByteArray::number(f.Received) + ',';
            if (known)
                out += QByteArray::number(f.Missing) + ',' + QByteArray::number(f.MissingFiles);
            else
                out += ',';
            out += ',' + QByteArray::number(f.Late) + ',' + QByteArray::number(f.VeryLate) + ',';
            if (known && f.OnTimeRatio)
                out += FormatRatio(*f.OnTimeRatio).toLatin1();
            out += ',' + Optional(f.DelayP50Seconds) + ',' + Optional(f.DelayP95Seconds) + ',' +
                   Optional(f.DelayMaxSeconds);
            if (files)
                out += ',' + QByteArray::number(f.Files);
            if (excused)
                out += ',' + QByteArray::number(f.Excused);
            out += "\r\n";
        }
    }
    return out;
}
