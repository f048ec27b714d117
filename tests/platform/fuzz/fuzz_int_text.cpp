// Text to a 32-bit integer against a reference: an optional sign, decimal
// digits and nothing else, within the 32-bit range.
#include "platform/IntegerText.h"

#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    int32_t value = 12345;
    const bool ok = TryTextToInt(text, value);

    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    bool expectOk = i < text.size();
    __int128 magnitude = 0;
    for (; i < text.size() && expectOk; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            expectOk = false;
        else if (magnitude < (__int128(1) << 40))
            magnitude = magnitude * 10 + (c - u'0');
    }
    const __int128 expected = negative ? -magnitude : magnitude;
    if (expected < INT32_MIN || expected > INT32_MAX)
        expectOk = false;
    if (ok != expectOk || (ok && value != expected) || (!ok && value != 12345))
        std::abort();
    return 0;
}
