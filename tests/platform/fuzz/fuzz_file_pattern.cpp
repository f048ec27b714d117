// Family patterns: any pattern text either is refused or matches any name
// without a fault; a match gives a valid time, and letter case never matters.
#include "platform/AsciiCase.h"
#include "station/FilePattern.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // pattern, a NUL byte, then the name
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t split = 0;
    while (split < size && bytes[split] != 0)
        ++split;
    if (split == size || size - split - 1 > 300 || split > 300)
        return 0;
    const QString text = QString::fromUtf8(QByteArray(bytes, static_cast<qsizetype>(split)));
    QByteArray name(bytes + split + 1, static_cast<qsizetype>(size - split - 1));
    QString error;
    const std::optional<TFilePattern> pattern = TFilePattern::Parse(text, error);
    if (!pattern) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const std::optional<TDateTime> time = pattern->Match(name);
    if (time && (!std::isfinite(*time) || *time < MinDateTime || *time > MaxDateTime))
        std::abort();
    for (char& c : name)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    if (pattern->Match(name) != time)
        std::abort();
    return 0;
}
