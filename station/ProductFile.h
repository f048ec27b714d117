#pragma once
// The product-name rules: how a file found by the scan becomes a ledger line,
// and how a ledger line reads back as a product, its time and its delay.
#include "platform/DateTime.h"
#include "platform/FileTimes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The letters A to Z turned into lower case, every other character unchanged.
QString LowerCaseAscii(const QString& text);

// A name the ledger can hold as "name=seconds": one that holds no "=", CR, LF
// or NUL, which would corrupt or forge ledger lines.
bool IsRecordableName(const QString& name);

// Creation minus last write, from whole milliseconds to seconds, an exact
// half going to the even neighbour.
int64_t DelaySeconds(const TFileTimes& times);

// How far a station's clocks may disagree before a product's times are taken
// as wrong rather than measured, either way: a file written for a few seconds
// after its creation, or named a minute ahead of the receiver's clock, is
// ordinary.
constexpr int32_t ClockToleranceSeconds = 300;

// A delay below minus the tolerance: the file was last written well after it
// was created, so its writer's clock and the disk's disagree and the delay
// measures nothing (clock skew).
constexpr bool IsClockSkew(int64_t delaySeconds) { return delaySeconds < -ClockToleranceSeconds; }

// A nominal time after now plus the tolerance (on the millisecond grid): the
// product is named in the future, and is no product yet.
bool IsNamedInFuture(TDateTime nominal, TDateTime now);

// What the times of a product just recorded from `path` tell an operator: a
// name in the future, or clock skew; empty for an ordinary product.
QString ProductClockNote(const QString& path, TDateTime nominal, int64_t delaySeconds, TDateTime now);

// What a found file's name says about recording it.
struct TProductName
{
    enum class TProblem { None, NotUtf8, NotRecordable };
    QString Name;  // lower-cased; empty unless Problem is None
    TProblem Problem = TProblem::None;
};

// The ledger name of a file found by the scan, from the raw bytes of its
// file name: its ASCII letters lower-cased. Names that are not valid UTF-8,
// or that the ledger cannot hold exactly, are refused.
TProductName ProductNameOf(const QByteArray& rawFileName);

// "name=seconds" for a product and the file times measured for it.
QString LedgerLine(const QString& name, const TFileTimes& times);

// ProductNameOf and LedgerLine in one, on bytes, for the scan's every file:
// writes "name=seconds" as UTF-8 into `line`, whose room is reused, so no
// allocation is needed once it has grown, and sets nameLength to the length
// of its name. The problem is ProductNameOf's; `line` is set only without one.
// keepCase: the name as it is on disk (a family's own ledger), not lowered.
TProductName::TProblem ProductLineUtf8(QByteArrayView rawFileName, const TFileTimes& times, QByteArray& line,
                                       qsizetype& nameLength, bool keepCase = false);

// The product time a name begins with (yyyymmddhhnn, 2400 meaning the next
// day's midnight), or 0 when it begins with none.
TDateTime FileNameToDateTime(const QString& text);

// One ledger line read back.
struct TLedgerEntry
{
    QString Name;
    TDateTime Nominal = 0;           // 0 when the name is not a product time
    std::optional<int32_t> Seconds;  // absent when the value is not an integer
    int Line = -1;                   // the line it was read from, counted from 0
};

// A "name=seconds" line; nothing for a line without "=". The value is read
// from at most its first 99 characters.
std::optional<TLedgerEntry> ParseLedgerLine(const QString& line);

// A line of a family's own ledger (FamilyDayLedger.h), "YYYYMMDDHHMMSS name=seconds":
// the time it begins with is the nominal time, the name follows the space.
// Read as ParseLedgerLine reads the rest; nothing for a line without "=".
std::optional<TLedgerEntry> ParseTimedLedgerLine(const QString& line);

// The lines that parse, in their order, each with its index.
std::vector<TLedgerEntry> ParseLedgerLines(const QStringList& lines);
