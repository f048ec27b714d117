// Ledger text: any bytes decode without a crash, and the lines decoded are
// written back and read again unchanged, except where UTF-8 cannot hold them
// (lone surrogates of a UTF-16 file) or a line that starts with U+FEFF, which
// the next reader takes for a byte-order mark and drops.
#include "platform/TextFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = DecodeTextLines(bytes);
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')) || line.contains(QChar(0)))
            std::abort();
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c.isHighSurrogate() && (i + 1 == line.size() || !line[i + 1].isLowSurrogate()))
                return 0;
            if (c.isLowSurrogate() && (i == 0 || !line[i - 1].isHighSurrogate()))
                return 0;
        }
    }
    for (const QString& line : lines)
        if (line.startsWith(QChar(0xFEFF)))
            return 0;
    const QByteArray saved = EncodeTextLines(lines);
    if (!IsValidUtf8(saved.constData(), saved.size()) || DecodeTextLines(saved) != lines)
        std::abort();
    return 0;
}
