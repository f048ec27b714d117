#include "chart/ValueFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

QString FormatAxisValue(double value, const QString& pattern, const QLocale& locale)
{
    if (!std::isfinite(value))
        return {};
    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? pattern : pattern.left(point);
    const QString fracPart = point < 0 ? QString() : pattern.mid(point + 1);
    const bool grouping = intPart.contains(QLatin1Char(','));
    const int minInt = int(intPart.count(QLatin1Char('0')));
    const int minFrac = int(fracPart.count(QLatin1Char('0')));
    const int maxFrac = int(fracPart.count(QLatin1Char('0')) + fracPart.count(QLatin1Char('#')));

    // Rounded on the exact binary value, always with a decimal point (printf
    // would take the C library's LC_NUMERIC); values up to 1e308 print with
    // some 310 digits.
    std::vector<char> buffer(400);
    const std::to_chars_result written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                                                       std::chars_format::fixed, maxFrac);
    if (written.ec != std::errc())
        return {};
    QString digits = QString::fromLatin1(buffer.data(), written.ptr - buffer.data());
    QString whole = digits, frac;
    const int dot = int(digits.indexOf(QLatin1Char('.')));
    if (dot >= 0) {
        whole = digits.left(dot);
        frac = digits.mid(dot + 1);
    }
    while (frac.size() > minFrac && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole == QLatin1String("0") && minInt == 0)
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(QLatin1Char('0'));

    auto hasNonZero = [](const QString& s) {
        for (QChar c : s)
            if (c != QLatin1Char('0'))
                return true;
        return false;
    };
    const bool zero = !hasNonZero(whole) && !hasNonZero(frac);
    QString out;
    if (value < 0 && !zero)
        out += locale.negativeSign();
    if (grouping && whole.size() > 3) {
        const QString sep = locale.groupSeparator();
        const int first = int(whole.size()) % 3;
        for (int i = 0; i < whole.size(); ++i) {
            if (i > 0 && (i - first) % 3 == 0)
                out += sep;
            out += whole.at(i);
        }
    } else {
        out += whole;
    }
    if (!frac.isEmpty())
        out += locale.decimalPoint() + frac;
    return out;
}
