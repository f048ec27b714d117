#include "station/ProductFile.h"

#include "platform/AsciiCase.h"
#include "platform/IntegerText.h"
#include "platform/NumberFormat.h"
#include "platform/TextFile.h"

#include <QStringList>

#include <charconv>

QString LowerCaseAscii(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = QChar(LowerAscii(c.unicode()));
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

bool IsNamedInFuture(TDateTime nominal, TDateTime now)
{
    return nominal != 0.0 && DateTimeToUnixMs(nominal) > DateTimeToUnixMs(now) + int64_t{ClockToleranceSeconds} * 1000;
}

QString ProductClockNote(const QString& path, TDateTime nominal, int64_t delaySeconds, TDateTime now)
{
    if (IsNamedInFuture(nominal, now))
        return QStringLiteral("%1 is named %2 hours ahead of the clock: recorded, but no product until then")
            .arg(path, FormatFixed(static_cast<double>(DateTimeToUnixMs(nominal) - DateTimeToUnixMs(now)) / 3.6e6, 1,
                                   QLocale::c()));
    if (IsClockSkew(delaySeconds))
        return QStringLiteral("%1 was last written %2 minutes after it was created (clock skew): recorded, but its "
                              "delay counts as unmeasured")
            .arg(path, FormatFixed(static_cast<double>(-delaySeconds) / 60.0, 1, QLocale::c()));
    return {};
}

TProductName ProductNameOf(const QByteArray& rawFileName)
{
    if (!IsValidUtf8(rawFileName.constData(), rawFileName.size()))
        return {QString(), TProductName::TProblem::NotUtf8};
    const QString name = LowerCaseAscii(QString::fromUtf8(rawFileName));
    if (!IsRecordableName(name))
        return {QString(), TProductName::TProblem::NotRecordable};
    return {name, TProductName::TProblem::None};
}

QString LedgerLine(const QString& name, const TFileTimes& times)
{
    return name + QLatin1Char('=') + QString::number(DelaySeconds(times));
}

TProductName::TProblem ProductLineUtf8(QByteArrayView rawFileName, const TFileTimes& times, QByteArray& line,
                                       qsizetype& nameLength, bool keepCase)
{
    const qsizetype n = rawFileName.size();
    if (!IsValidUtf8(rawFileName.data(), n))
        return TProductName::TProblem::NotUtf8;
    if (n == 0)
        return TProductName::TProblem::NotRecordable;
    // In UTF-8 these characters are single bytes that no longer character
    // contains, and lowering the ASCII letters touches nothing else.
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, DelaySeconds(times));
    line.resize(n + 1 + (end - digits));
    char* out = line.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = rawFileName[i];
        if (c == '=' || c == '\r' || c == '\n' || c == '\0')
            return TProductName::TProblem::NotRecordable;
        out[i] = keepCase ? c : LowerAscii(c);
    }
    out[n] = '=';
    std::copy(digits, end, out + n + 1);
    nameLength = n;
    return TProductName::TProblem::None;
}

TDateTime FileNameToDateTime(const QString& text)
{
    if (text.size() < 12)
        return 0.0;
    const QStringView view(text);
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!TryTextToInt(view.mid(0, 4), year) || !TryTextToInt(view.mid(4, 2), month) ||
        !TryTextToInt(view.mid(6, 2), day) || !TryTextToInt(view.mid(8, 2), hour) ||
        !TryTextToInt(view.mid(10, 2), minute))
        return 0.0;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date))
        return 0.0;
    if (hour == 24 && minute == 0)
        return date + 1;
    if (!TryEncodeTime(hour, minute, 0, 0, time))
        return 0.0;
    return date + time;
}

std::optional<TLedgerEntry> ParseLedgerLine(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    TLedgerEntry entry{line.left(eq), 0, std::nullopt};
    entry.Nominal = FileNameToDateTime(entry.Name);
    int32_t seconds = 0;
    if (TryTextToInt(QStringView(line).mid(eq + 1, 99), seconds))
        entry.Seconds = seconds;
    return entry;
}

std::optional<TLedgerEntry> ParseTimedLedgerLine(const QString& line)
{
    std::optional<TLedgerEntry> entry = ParseLedgerLine(line);
    if (!entry)
        return entry;
    const QString& name = entry->Name;
    int32_t second = 0;
    TDateTime time = 0;
    if (name.size() > 15 && name[14] == QLatin1Char(' ') && TryTextToInt(QStringView(name).mid(12, 2), second) &&
        name[12].isDigit() && name[13].isDigit() && TryEncodeTime(0, 0, second, 0, time)) {
        entry->Nominal = FileNameToDateTime(name) + time;
        if (entry->Nominal == time)
            entry->Nominal = 0;
        entry->Name = name.mid(15);
    } else {
        entry->Nominal = 0;
    }
    return entry;
}

std::vector<TLedgerEntry> ParseLedgerLines(const QStringList& lines)
{
    std::vector<TLedgerEntry> entries;
    entries.reserve(static_cast<size_t>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (std::optional<TLedgerEntry> entry = ParseLedgerLine(lines[i])) {
            entry->Line = static_cast<int>(i);
            entries.push_back(std::move(*entry));
        }
    return entries;
}
