#pragma once
// How one product file found by the scan becomes a ledger line.
#include "platform/FileTimes.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The letters A to Z turned into lower case, every other character unchanged.
QString LowerCaseAscii(const QString& text);

// A name the ledger can hold as "name=seconds": one that holds no "=", CR, LF
// or NUL, which would corrupt or forge ledger lines.
bool IsRecordableName(const QString& name);

// Creation minus last write, from whole milliseconds to seconds, an exact
// half going to the even neighbour.
int64_t DelaySeconds(const TFileTimes& times);
