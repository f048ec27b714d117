#include "report/LedgerCsv.h"

#include "station/ProductFile.h"
#include "report/StationStatus.h"

QString CsvField(const QString& text)
{
    bool quote = false;
    for (const QChar c : text)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            quote = true;
            break;
        }
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
        quote = true;
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray LedgerCsv(const TLedgerEntries& entries)
{
    const TSortedStringList& ledger = entries.Ledger();
    QByteArray out;
    out.reserve(static_cast<qsizetype>(ledger.Count()) * 48 + 64);
    out += "product,nominal_time_utc,delay_seconds\r\n";
    entries.ForEachLine([&](int line, const TLedgerEntry* entry) {
        out += CsvField(entry ? entry->Name : ledger.Get(line)).toUtf8();
        out += ',';
        if (entry) {
            if (entry->Nominal != 0.0)
                out += FormatIsoUtc(entry->Nominal).toLatin1();
            out += ',';
            if (entry->Seconds)
                out += QByteArray::number(*entry->Seconds);
        } else {
            out += ',';
        }
        out += "\r\n";
    });
    return out;
}
