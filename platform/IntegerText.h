#pragma once
// Text to a signed 32-bit integer: an optional sign followed by decimal
// digits, nothing else. Blanks, hex, an empty text and overflow are not integers.
#include <QStringView>
#include <cstdint>

bool TryTextToInt(QStringView text, int32_t& value);
