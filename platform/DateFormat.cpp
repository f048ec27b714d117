#include "platform/DateFormat.h"

namespace {

int RunLength(const QString& pattern, int at, int maxLength)
{
    const QChar c = pattern.at(at).toLower();
    int n = 1;
    while (at + n < pattern.size() && n < maxLength && pattern.at(at + n).toLower() == c)
        ++n;
    return n;
}

QString TwoDigits(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

}  // namespace

QString FormatDateTime(const QString& pattern, TDateTime value, const QLocale& locale)
{
    TDateParts date;
    TTimeParts time;
    if (!TryDecodeDate(value, date) || !TryDecodeTime(value, time))
        return {};
    // Day of the week: 1899-12-30 was a Saturday.
    const long long whole = static_cast<long long>(value);
    const int dayOfWeek = static_cast<int>(((whole % 7) + 7 + 5) % 7) + 1;  // 1 = Monday

    QString out;
    out.reserve(pattern.size() + 8);
    int i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int end = pattern.indexOf(c, i + 1);
            if (end < 0)
                end = pattern.size();
            out += pattern.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const QChar lower = c.toLower();
        if (lower == QLatin1Char('y')) {
            const int n = RunLength(pattern, i, 4);
            out += n <= 2 ? TwoDigits(date.Year % 100) : QString::number(date.Year).rightJustified(4, QLatin1Char('0'));
            i += n;
        } else if (lower == QLatin1Char('m')) {
            const int n = RunLength(pattern, i, 4);
            if (n == 1)
                out += QString::number(date.Month);
            else if (n == 2)
                out += TwoDigits(date.Month);
            else
                out += locale.monthName(date.Month, n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            i += n;
        } else if (lower == QLatin1Char('d')) {
            const int n = RunLength(pattern, i, 4);
            if (n == 1)
                out += QString::number(date.Day);
            else if (n == 2)
                out += TwoDigits(date.Day);
            else
                out += locale.dayName(dayOfWeek, n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            i += n;
        } else if (lower == QLatin1Char('h') || lower == QLatin1Char('n') || lower == QLatin1Char('s')) {
            const int n = RunLength(pattern, i, 2);
            const int v = lower == QLatin1Char('h') ? time.Hour : lower == QLatin1Char('n') ? time.Minute : time.Second;
            out += n == 2 ? TwoDigits(v) : QString::number(v);
            i += n;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
