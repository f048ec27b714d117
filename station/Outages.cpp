#include "station/Outages.h"

#include "platform/DateTime.h"
#include "platform/TextFile.h"
#include "platform/UserFolders.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace {

constexpr int64_t MsPerMinute = 60000;
constexpr int64_t MsPerDay = 86400000;
constexpr int MinutesPerDay = 1440;
// A calendar is a few sections of text; anything larger is a mistake.
constexpr qint64 MaxOutagesFileBytes = 1024 * 1024;
constexpr qsizetype MaxValueLength = 1000;
// Adjoining occurrences followed to find where an outage ends.
constexpr int MaxChainedOccurrences = 100000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

const QStringList& Keys()
{
    static const QStringList keys = {QStringLiteral("families"), QStringLiteral("daily"), QStringLiteral("from"),
                                     QStringLiteral("until"),    QStringLiteral("start"), QStringLiteral("end"),
                                     QStringLiteral("reason")};
    return keys;
}

// Days since 1970 of YYYY-MM-DD.
std::optional<int64_t> ParseDay(const QString& text)
{
    static const QRegularExpression date(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
    const QRegularExpressionMatch m = date.match(text);
    TDateTime day = 0;
    if (!m.hasMatch() || !TryEncodeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), day))
        return std::nullopt;
    return FloorDiv(DateTimeToUnixMs(day), MsPerDay);
}

// Minutes after 00:00 of HH:MM (or H:MM); 24:00 only where the end of a day is meant.
std::optional<int> ParseClock(const QString& text, bool endOfDay)
{
    static const QRegularExpression clock(QStringLiteral("^([0-9]{1,2}):([0-9]{2})$"));
    const QRegularExpressionMatch m = clock.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int hour = m.captured(1).toInt(), minute = m.captured(2).toInt();
    if (endOfDay && hour == 24 && minute == 0)
        return MinutesPerDay;
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

// Milliseconds since 1970 of "YYYY-MM-DD HH:MM[:SS]" (or with a T between them), UTC.
std::optional<int64_t> ParseMoment(const QString& text)
{
    static const QRegularExpression seconds(QStringLiteral(":([0-5][0-9])$"));
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[ T]")), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    QString clock = parts[1];
    int second = 0;
    if (clock.count(QLatin1Char(':')) == 2) {
        const QRegularExpressionMatch m = seconds.match(clock);
        if (!m.hasMatch())
            return std::nullopt;
        second = m.captured(1).toInt();
        clock.chop(3);
    }
    const std::optional<int64_t> day = ParseDay(parts[0]);
    const std::optional<int> minute = ParseClock(clock, false);
    if (!day || !minute)
        return std::nullopt;
    return *day * MsPerDay + *minute * MsPerMinute + second * 1000;
}

struct TSection
{
    QString Name;
    int Line = 0;
    std::map<QString, std::pair<int, QString>> Keys;  // key: line, value
};

}  // namespace

QString FormatOutageTime(int64_t ms)
{
    TDateParts d;
    TTimeParts t;
    const TDateTime value = UnixMsToDateTime(ms);
    if (!TryDecodeDate(value, d) || !TryDecodeTime(value, t))
        return QString();
    QString text = QString::asprintf("%04d-%02d-%02d %02d:%02d", d.Year, d.Month, d.Day, t.Hour, t.Minute);
    if (t.Second != 0)
        text += QString::asprintf(":%02d", t.Second);
    return text;
}

bool TOutageWindow::Covers(const QString& family) const
{
    return Families.isEmpty() || Families.contains(family, Qt::CaseInsensitive);
}

std::optional<std::pair<int64_t, int64_t>> TOutageWindow::OccurrenceAt(int64_t ms) const
{
    if (!Daily) {
        if (ms >= StartMs && ms < EndMs)
            return std::make_pair(StartMs, EndMs);
        return std::nullopt;
    }
    const int length = EndMinute > StartMinute ? EndMinute - StartMinute : EndMinute + MinutesPerDay - StartMinute;
    // An occurrence is at most a day long: the one of this day or of the day before.
    const int64_t day = FloorDiv(ms, MsPerDay);
    for (int64_t d = day; d >= day - 1; --d) {
        const int64_t start = d * MsPerDay + StartMinute * MsPerMinute;
        const int64_t end = start + length * MsPerMinute;
        if (d >= FromDay && d <= UntilDay && ms >= start && ms < end)
            return std::make_pair(start, end);
    }
    return std::nullopt;
}

int TFamilyOutages::Excusing(int64_t ms) const
{
    for (size_t i = 0; i < Windows.size(); ++i)
        if (Windows[i].OccurrenceAt(ms))
            return static_cast<int>(i);
    return -1;
}

std::optional<TActiveOutage> TFamilyOutages::ActiveAt(int64_t ms) const
{
    const int window = Excusing(ms);
    if (window < 0)
        return std::nullopt;
    // The outage lasts while any of the family's windows holds its end.
    int64_t until = ms;
    for (int step = 0; step < MaxChainedOccurrences; ++step) {
        int64_t later = until;
        for (const TOutageWindow& w : Windows)
            if (const auto occurrence = w.OccurrenceAt(until))
                later = std::max(later, occurrence->second);
        if (later == until)
            break;
        until = later;
    }
    return TActiveOutage{window, until};
}

int64_t TFamilyOutages::CoveredMs(int64_t fromMs, int64_t toMs) const
{
    if (toMs <= fromMs)
        return 0;
    std::vector<std::pair<int64_t, int64_t>> spans;
    auto add = [&](int64_t start, int64_t end) {
        start = std::max(start, fromMs);
        end = std::min(end, toMs);
        if (start < end)
            spans.emplace_back(start, end);
    };
    for (const TOutageWindow& w : Windows) {
        if (!w.Daily) {
            add(w.StartMs, w.EndMs);
            continue;
        }
        const int length =
            w.EndMinute > w.StartMinute ? w.EndMinute - w.StartMinute : w.EndMinute + MinutesPerDay - w.StartMinute;
        const int64_t first = std::max(w.FromDay, FloorDiv(fromMs, MsPerDay) - 1);
        const int64_t last = std::min(w.UntilDay, FloorDiv(toMs - 1, MsPerDay));
        for (int64_t d = first; d <= last; ++d) {
            const int64_t start = d * MsPerDay + w.StartMinute * MsPerMinute;
            add(start, start + length * MsPerMinute);
        }
    }
    std::sort(spans.begin(), spans.end());
    int64_t covered = 0, reached = fromMs;
    for (const auto& [start, end] : spans) {
        if (end <= reached)
            continue;
        covered += end - std::max(start, reached);
        reached = end;
    }
    return covered;
}

TFamilyOutages TOutageCalendar::For(const QString& family) const
{
    TFamilyOutages outages;
    outages.Calendar = Present;
    for (const TOutageWindow& window : Windows)
        if (window.Covers(family))
            outages.Windows.push_back(window);
    return outages;
}

QString DefaultOutagesFile() { return UserConfigHome() + QStringLiteral("/lagwatch/outages.conf"); }

std::optional<TOutageCalendar> ParseOutages(const QString& text, const QString& fileName, const QStringList& families,
                                            QString& error)
{
    auto fail = [&](int line, const QString& reason) {
        error = QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason);
        return std::nullopt;
    };
    static const QRegularExpression windowName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    static const QRegularExpression inlineComment(QStringLiteral("\\s[#;]"));
    std::vector<TSection> sections;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (!line.endsWith(QLatin1Char(']')))
                return fail(lineNumber, QStringLiteral("a section line must be [NAME]"));
            if (!windowName.match(name).hasMatch())
                return fail(lineNumber, QStringLiteral("'%1' is no window name (letters, digits, '_' and '-', at most "
                                                       "64 characters)")
                                            .arg(name));
            for (const TSection& s : sections)
                if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
                    return fail(
                        lineNumber,
                        QStringLiteral("the window '%1' is named twice (line %2 and here)").arg(name).arg(s.Line));
            sections.push_back({name, lineNumber, {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return fail(lineNumber, QStringLiteral("neither [NAME] nor key = value"));
        if (sections.empty())
            return fail(lineNumber, QStringLiteral("a key before the first section"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (!Keys().contains(key))
            return fail(
                lineNumber,
                QStringLiteral("unknown key '%1' (the keys are %2)").arg(key, Keys().join(QStringLiteral(", "))));
        if (value.isEmpty())
            return fail(lineNumber, QStringLiteral("the key '%1' has no value").arg(key));
        if (value.size() > MaxValueLength)
            return fail(lineNumber,
                        QStringLiteral("the value of '%1' is longer than %2 characters").arg(key).arg(MaxValueLength));
        if (inlineComment.match(value).hasMatch())
            return fail(lineNumber, QStringLiteral("the value of '%1' holds a comment ('#' or ';' after a blank): a "
                                                   "comment goes on a line of its own")
                                        .arg(key));
        TSection& section = sections.back();
        if (const auto given = section.Keys.find(key); given != section.Keys.end())
            return fail(lineNumber,
                        QStringLiteral("'%1' is given twice (line %2 and here)").arg(key).arg(given->second.first));
        section.Keys[key] = {lineNumber, value};
    }

    TOutageCalendar calendar;
    calendar.Present = true;
    for (const TSection& section : sections) {
        TOutageWindow window;
        window.Name = section.Name;
        window.Line = section.Line;
        auto has = [&](const char* key) { return section.Keys.count(QLatin1String(key)) > 0; };
        auto value = [&](const char* key) { return section.Keys.at(QLatin1String(key)).second; };
        auto lineOf = [&](const char* key) { return section.Keys.at(QLatin1String(key)).first; };
        const QString where = QLatin1Char('[') + section.Name + QStringLiteral("]: ");

        if (!has("families"))
            return fail(section.Line, where + QStringLiteral("no families (* or a list of family names)"));
        if (value("families") != QLatin1String("*")) {
            for (const QString& item : value("families").split(QLatin1Char(','))) {
                const QString name = item.trimmed();
                if (name.isEmpty() || name == QLatin1String("*"))
                    return fail(lineOf("families"),
                                QStringLiteral("families: either * or a list of family names, each once"));
                if (!families.contains(name, Qt::CaseInsensitive))
                    return fail(lineOf("families"), QStringLiteral("families: no family '%1' (the families are %2)")
                                                        .arg(name, families.join(QStringLiteral(", "))));
                window.Families.append(name);
            }
        }
        if (has("reason"))
            window.Reason = value("reason");

        const bool oneOff = has("start") || has("end");
        if (has("daily") && oneOff)
            return fail(lineOf(has("start") ? "start" : "end"),
                        where + QStringLiteral("both a daily window and a one-off one (start, end): one section "
                                               "each"));
        if (has("daily")) {
            window.Daily = true;
            const QStringList span = value("daily").split(QLatin1Char('-'));
            const int start = span.size() == 2 ? ParseClock(span[0].trimmed(), false).value_or(-1) : -1;
            const int end = span.size() == 2 ? ParseClock(span[1].trimmed(), true).value_or(-1) : -1;
            if (start < 0 || end < 0)
                return fail(lineOf("daily"), QStringLiteral("daily: '%1' is no span of the day HH:MM-HH:MM (UTC, "
                                                            "from 00:00 to 24:00)")
                                                 .arg(value("daily")));
            if (start == end)
                return fail(
                    lineOf("daily"),
                    QStringLiteral("daily: '%1' ends where it starts; a whole day is 00:00-24:00").arg(value("daily")));
            window.StartMinute = start;
            window.EndMinute = end;
            for (const char* key : {"from", "until"}) {
                if (!has(key))
                    return fail(section.Line,
                                where + QStringLiteral("a daily window needs from and until (YYYY-MM-DD, both "
                                                       "inclusive)"));
                const std::optional<int64_t> day = ParseDay(value(key));
                if (!day)
                    return fail(lineOf(key),
                                QStringLiteral("%1: '%2' is no date YYYY-MM-DD").arg(QLatin1String(key), value(key)));
                (key[0] == 'f' ? window.FromDay : window.UntilDay) = *day;
            }
            if (window.UntilDay < window.FromDay)
                return fail(lineOf("until"),
                            QStringLiteral("until %1 is before from %2").arg(value("until"), value("from")));
        } else if (oneOff) {
            for (const char* key : {"from", "until"})
                if (has(key))
                    return fail(lineOf(key), QStringLiteral("%1 belongs to a daily window; a one-off window has "
                                                            "start and end")
                                                 .arg(QLatin1String(key)));
            for (const char* key : {"start", "end"}) {
                if (!has(key))
                    return fail(section.Line,
                                where + QStringLiteral("a one-off window needs start and end (YYYY-MM-DD HH:MM, UTC)"));
                const std::optional<int64_t> ms = ParseMoment(value(key));
                if (!ms)
                    return fail(lineOf(key), QStringLiteral("%1: '%2' is no time YYYY-MM-DD HH:MM[:SS] (UTC)")
                                                 .arg(QLatin1String(key), value(key)));
                (key[0] == 's' ? window.StartMs : window.EndMs) = *ms;
            }
            if (window.EndMs <= window.StartMs)
                return fail(lineOf("end"), QStringLiteral("end %1 is not after start %2")
                                               .arg(FormatOutageTime(window.EndMs), FormatOutageTime(window.StartMs)));
        } else {
            return fail(section.Line,
                        where + QStringLiteral("no window: daily = HH:MM-HH:MM with from and until, or start and end"));
        }
        calendar.Windows.push_back(std::move(window));
    }
    return calendar;
}

std::optional<TOutageCalendar> ReadOutagesFile(const QString& path, bool mustExist, const QStringList& families,
                                               QString& error)
{
    QFile file(path);
    if (!file.exists() && !mustExist)
        return TOutageCalendar{};
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: cannot read the outages file: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(MaxOutagesFileBytes + 1);
    if (bytes.size() > MaxOutagesFileBytes) {
        error = QStringLiteral("%1: the outages file is larger than %2 bytes (1 MiB); a calendar is a few sections of "
                               "text")
                    .arg(path)
                    .arg(MaxOutagesFileBytes);
        return std::nullopt;
    }
    if (DetectTextEncoding(bytes) == TTextEncoding::Binary) {
        error = QStringLiteral("%1: the outages file is not a text").arg(path);
        return std::nullopt;
    }
    return ParseOutages(DecodeTextLines(bytes).join(QLatin1Char('\n')), path, families, error);
}
