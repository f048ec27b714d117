// Product names to their nominal time: any text converts or gives 0.0, and a
// conversion encodes exactly the fields of the first 12 characters.
#include "station/ProductFile.h"
#include "platform/DateTime.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TDateTime value = FileNameToDateTime(text);
    if (!std::isfinite(value))
        std::abort();
    if (value == 0.0)
        return 0;
    if (text.size() < 12)
        std::abort();
    for (int i = 0; i < 12; ++i)
        if (text[i] != QLatin1Char('+') && text[i] != QLatin1Char('-') &&
            !(text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')))
            std::abort();
    const int year = text.mid(0, 4).toInt(), month = text.mid(4, 2).toInt(), day = text.mid(6, 2).toInt();
    const int hour = text.mid(8, 2).toInt(), minute = text.mid(10, 2).toInt();
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        std::abort();
    const double expected = hour == 24 && minute == 0 ? date + 1 : date + (hour * 60 + minute) / 1440.0;
    if (hour < 0 || minute < 0 || minute > 59 || hour > 24 || (hour == 24 && minute != 0) ||
        std::fabs(value - expected) > 1e-9)
        std::abort();
    return 0;
}
