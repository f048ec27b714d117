#pragma once
// Text to a signed 32-bit integer: an optional sign followed by decimal
// digits, nothing else. Blanks, hex, an empty text and overflow are not integers.
#include <QByteArrayView>
#include <QStringView>
#include <cstdint>

bool TryTextToInt(QStringView text, int32_t& value);

// The count decimal digits at `from` in text (which must hold them) as a
// number; false when one of them is no digit.
bool DigitsAt(QByteArrayView text, qsizetype from, int count, int& value);
