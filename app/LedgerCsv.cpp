#include "app/LedgerCsv.h"

#include "app/ProductFile.h"
#include "app/StationStatus.h"

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

QByteArray LedgerCsv(const TSortedStringList& ledger)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(ledger.Count()) * 48 + 64);
    out += "product,nominal_time_utc,delay_seconds\r\n";
    for (int i = 0; i < ledger.Count(); ++i) {
        const QString& line = ledger.Get(i);
        const std::optional<TLedgerEntry> entry = ParseLedgerLine(line);
        out += CsvField(entry ? entry->Name : line).toUtf8();
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
    }
    return out;
}
