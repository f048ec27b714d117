#include "app/ProductFile.h"

QString LowerCaseAscii(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return out;
}

bool IsRecordableName(const QString& name)
{
    for (const QChar c : name)
        if (c == QLatin1Char('=') || c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            return false;
    return !name.isEmpty();
}

int64_t DelaySeconds(const TFileTimes& times)
{
    const int64_t ms = times.CreationMs - times.LastWriteMs;
    int64_t seconds = ms / 1000;
    int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        seconds -= 1;
    }
    if (rest > 500 || (rest == 500 && seconds % 2 != 0))
        seconds += 1;
    return seconds;
}
