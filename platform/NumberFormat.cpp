#include "platform/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

QString FormatFixed(double value, int decimals, const QLocale& locale)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN") : value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    // printf rounds an exact half to even; step off it so it goes away from zero.
    const double scaled = std::fabs(value) * std::pow(10.0, decimals);
    if (scaled - std::floor(scaled) == 0.5)
        value = std::nextafter(value, value > 0 ? HUGE_VAL : -HUGE_VAL);
    // to_chars, not printf: printf writes the C library's decimal point,
    // which a program that set its locale (Qt does) gets from LC_NUMERIC.
    char buffer[400];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    QString text = QString::fromLatin1(buffer, end.ec == std::errc() ? end.ptr - buffer : 0);
    if (text == QLatin1String("-0") ||
        (text.startsWith(QLatin1String("-0.")) && text.count(QLatin1Char('0')) == text.size() - 2))
        text.remove(0, 1);
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

QString FormatPadded(long long value, int digits)
{
    const QString magnitude =
        QString::number(value < 0 ? -static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value))
            .rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + magnitude : magnitude;
}
