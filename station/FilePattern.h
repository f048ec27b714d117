#pragma once
// A family's file-name pattern: whole names matched without regard to the
// case of A to Z, with '*' (any run of characters, also none), '?' (one
// character), {name} (a run of at least one character) and exactly one
// {time:FORMAT}, whose fields %Y (4 digits), %m %d %H %M %S (2 digits) and
// %j (3 digits, the day of the year) give the product's nominal time; "%%"
// is a '%'. FORMAT needs the year and either the month and day or the day of
// the year; missing hours, minutes and seconds are 0.
//
// Names are the file system's bytes; a UTF-8 sequence is one character, and
// any other byte only matches '*', '?' and {name} as a character of its own.
#include "platform/DateTime.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class TFilePattern
{
public:
    // Nothing, with error set (one reason, without the pattern), for a
    // pattern that cannot be used.
    static std::optional<TFilePattern> Parse(const QString& pattern, QString& error);

    // The nominal time of a matching name; nothing when the name does not
    // match or its time fields do not make a valid time (a 13th month).
    std::optional<TDateTime> Match(QByteArrayView name) const;
    // A ledger line's product (its name, its nominal time to the second in
    // ms since 1970) is one of these rules': the name matches and gives that time.
    bool Admits(QByteArrayView name, int64_t nominalMs) const;
    // The pattern's identity for caches of what it admits.
    uint64_t Key() const { return FKey; }

private:
    enum class TKind : uint8_t { Byte, AnyChar, Star, Digit };
    enum TField : uint8_t { Year, Month, Day, Hour, Minute, Second, DayOfYear, FieldCount };
    struct TToken
    {
        TKind Kind;
        uint8_t Value;  // Byte: the byte, lower-cased; Digit: the digit's place among all digits
    };

    TFilePattern() = default;
    bool ParseTime(QStringView format, QString& error);
    void AddText(QStringView text);

    std::vector<TToken> FTokens;
    // For each field, the first digit's place and the number of digits (0: absent).
    uint8_t FFieldAt[FieldCount] = {};
    uint8_t FFieldDigits[FieldCount] = {};
    uint8_t FDigitCount = 0;
    uint64_t FKey = 0;
};
