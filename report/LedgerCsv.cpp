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

QByteArray LedgerCsv(const std::vector<TFamilyEntries>& ledgers)
{
    qsizetype lines = 0;
    for (const TFamilyEntries& family : ledgers)
        lines += family.Entries->LineCount();
    QByteArray out;
    out.reserve(lines * 56 + 64);
    out += "family,product,nominal_time_utc,delay_seconds\r\n";
    for (const TFamilyEntries& family : ledgers) {
        const QByteArray prefix = CsvField(family.Family).toUtf8() + ',';
        const TSortedStringList& ledger = family.Entries->Ledger();
        family.Entries->ForEachLine([&](int line, const TLedgerEntry* entry) {
            out += prefix;
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
    }
    return out;
}
