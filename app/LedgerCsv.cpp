#include "app/LedgerCsv.h"

#include "app/Ledger.h"
#include "app/StationStatus.h"
#include "platform/IntegerText.h"

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
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? line : line.left(eq);
        out += CsvField(name).toUtf8();
        out += ',';
        if (eq >= 0) {
            if (const TDateTime nominal = FileNameToDateTime(name); nominal != 0.0)
                out += FormatIsoUtc(nominal).toLatin1();
            out += ',';
            int32_t seconds = 0;
            if (TryTextToInt(QStringView(line).mid(eq + 1), seconds))
                out += QByteArray::number(seconds);
        } else {
            out += ',';
        }
        out += "\r\n";
    }
    return out;
}
