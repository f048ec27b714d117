#include "station/FilePattern.h"

#include "platform/AsciiCase.h"

#include <array>

namespace {

constexpr int MaxDigits = 32;

// The position after the character at i: a UTF-8 lead byte and its
// continuation bytes, or any other byte alone.
qsizetype NextChar(QByteArrayView name, qsizetype i)
{
    ++i;
    while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80 &&
           (static_cast<unsigned char>(name[i - 1]) & 0x80) != 0)
        ++i;
    return i;
}

}  // namespace

std::optional<TFilePattern> TFilePattern::Parse(const QString& pattern, QString& error)
{
    TFilePattern result;
    bool timeSeen = false;
    qsizetype textFrom = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('*') && c != QLatin1Char('?') && c != QLatin1Char('{') && c != QLatin1Char('}'))
            continue;
        result.AddText(QStringView(pattern).sliced(textFrom, i - textFrom));
        textFrom = i + 1;
        if (c == QLatin1Char('*')) {
            if (result.FTokens.empty() || result.FTokens.back().Kind != TKind::Star)
                result.FTokens.push_back({TKind::Star, 0});
            continue;
        }
        if (c == QLatin1Char('?')) {
            result.FTokens.push_back({TKind::AnyChar, 0});
            continue;
        }
        if (c == QLatin1Char('}')) {
            error = QStringLiteral("a '}' without its '{'");
            return std::nullopt;
        }
        const qsizetype close = pattern.indexOf(QLatin1Char('}'), i + 1);
        if (close < 0) {
            error = QStringLiteral("a '{' without its '}'");
            return std::nullopt;
        }
        const QStringView field = QStringView(pattern).sliced(i + 1, close - i - 1);
        i = close;
        textFrom = close + 1;
        if (field.startsWith(QLatin1String("time:"))) {
            if (timeSeen) {
                error = QStringLiteral("more than one {time:...}");
                return std::nullopt;
            }
            timeSeen = true;
            if (!result.ParseTime(field.sliced(5), error))
                return std::nullopt;
            continue;
        }
        if (field.isEmpty() || field.contains(QLatin1Char('{')) || field.contains(QLatin1Char(':'))) {
            error = QStringLiteral("'{%1}' is neither {time:FORMAT} nor {name}").arg(field);
            return std::nullopt;
        }
        // A named field: at least one character.
        result.FTokens.push_back({TKind::AnyChar, 0});
        result.FTokens.push_back({TKind::Star, 0});
    }
    result.AddText(QStringView(pattern).sliced(textFrom));
    if (!timeSeen) {
        error = QStringLiteral("no {time:FORMAT} gives the products' nominal time");
        return std::nullopt;
    }
    // FNV-1a of the pattern's text: the same pattern gives the same key in every run.
    result.FKey = 14695981039346656037ull;
    for (const char byte : pattern.toUtf8())
        result.FKey = (result.FKey ^ static_cast<uint8_t>(byte)) * 1099511628211ull;
    return result;
}

void TFilePattern::AddText(QStringView text)
{
    for (const char byte : text.toUtf8())
        FTokens.push_back({TKind::Byte, static_cast<uint8_t>(LowerAscii(static_cast<unsigned char>(byte)))});
}

bool TFilePattern::ParseTime(QStringView format, QString& error)
{
    struct TFieldRule
    {
        char Letter;
        TField Field;
        uint8_t Digits;
    };
    static constexpr TFieldRule Rules[] = {{'Y', Year, 4},   {'m', Month, 2},  {'d', Day, 2},      {'H', Hour, 2},
                                           {'M', Minute, 2}, {'S', Second, 2}, {'j', DayOfYear, 3}};
    qsizetype textFrom = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%'))
            continue;
        AddText(format.sliced(textFrom, i - textFrom));
        if (i + 1 >= format.size()) {
            error = QStringLiteral("a '%' at the end of {time:%1}").arg(format);
            return false;
        }
        const QChar letter = format[++i];
        textFrom = i + 1;
        if (letter == QLatin1Char('%')) {
            AddText(u"%");
            continue;
        }
        const TFieldRule* rule = nullptr;
        for (const TFieldRule& r : Rules)
            if (letter == QLatin1Char(r.Letter))
                rule = &r;
        if (!rule) {
            error = QStringLiteral("unknown field '%%1' in {time:%2} (known: %Y %m %d %H %M %S %j)")
                        .arg(QString(letter), format);
            return false;
        }
        if (FFieldDigits[rule->Field] != 0) {
            error = QStringLiteral("the field '%%1' twice in {time:%2}").arg(QString(letter), format);
            return false;
        }
        if (FDigitCount + rule->Digits > MaxDigits)
            return false;
        FFieldAt[rule->Field] = FDigitCount;
        FFieldDigits[rule->Field] = rule->Digits;
        for (uint8_t k = 0; k < rule->Digits; ++k)
            FTokens.push_back({TKind::Digit, FDigitCount++});
    }
    AddText(format.sliced(textFrom));
    const bool monthDay = FFieldDigits[Month] != 0 && FFieldDigits[Day] != 0;
    const bool dayOfYear = FFieldDigits[DayOfYear] != 0;
    if (FFieldDigits[Year] == 0 || monthDay == dayOfYear || (dayOfYear && (FFieldDigits[Month] || FFieldDigits[Day]))) {
        error = QStringLiteral("{time:%1} needs %Y and either %m and %d or %j").arg(format);
        return false;
    }
    return true;
}

std::optional<TDateTime> TFilePattern::Match(QByteArrayView name) const
{
    std::array<char, MaxDigits> digits{};
    const size_t tokenCount = FTokens.size();
    size_t p = 0;
    qsizetype s = 0;
    size_t starToken = tokenCount;  // none yet
    qsizetype starFrom = 0;
    // The usual glob walk: on a mismatch the latest '*' takes one more
    // character. Every token but '*' is one character wide.
    while (s < name.size()) {
        if (p < tokenCount && FTokens[p].Kind == TKind::Star) {
            starToken = p++;
            starFrom = s;
            continue;
        }
        if (p < tokenCount) {
            const TToken& t = FTokens[p];
            const char c = name[s];
            bool matched = false;
            qsizetype next = s + 1;
            switch (t.Kind) {
            case TKind::Byte:
                matched = static_cast<uint8_t>(LowerAscii(static_cast<unsigned char>(c))) == t.Value;
                break;
            case TKind::AnyChar:
                matched = true;
                next = NextChar(name, s);
                break;
            case TKind::Digit:
                matched = c >= '0' && c <= '9';
                digits[t.Value] = c;
                break;
            case TKind::Star:
                break;
            }
            if (matched) {
                ++p;
                s = next;
                continue;
            }
        }
        if (starToken == tokenCount)
            return std::nullopt;
        p = starToken + 1;
        starFrom = NextChar(name, starFrom);
        s = starFrom;
    }
    while (p < tokenCount && FTokens[p].Kind == TKind::Star)
        ++p;
    if (p != tokenCount)
        return std::nullopt;

    auto value = [&](TField field) {
        int v = 0;
        for (uint8_t k = 0; k < FFieldDigits[field]; ++k)
            v = v * 10 + (digits[FFieldAt[field] + k] - '0');
        return v;
    };
    const int year = value(Year);
    TDateTime date = 0;
    if (FFieldDigits[DayOfYear] != 0) {
        const int dayOfYear = value(DayOfYear);
        if (!TryEncodeDate(year, 1, 1, date) || dayOfYear < 1 || dayOfYear > (IsLeapYear(year) ? 366 : 365))
            return std::nullopt;
        date += dayOfYear - 1;
    } else if (!TryEncodeDate(year, value(Month), value(Day), date)) {
        return std::nullopt;
    }
    TDateTime time = 0;
    if (!TryEncodeTime(value(Hour), value(Minute), value(Second), 0, time))
        return std::nullopt;
    return date + time;
}

bool TFilePattern::Admits(QByteArrayView name, int64_t nominalMs) const
{
    const std::optional<TDateTime> nominal = Match(name);
    // As the line's time prefix was written: whole seconds (WriteTimePrefix).
    return nominal && DateTimeToUnixMs(*nominal) / 1000 * 1000 == nominalMs;
}
