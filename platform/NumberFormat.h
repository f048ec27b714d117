#pragma once
// Numbers as the program's texts show them: "%.1f", "%.3f" and "%.3d".
// Only the locale's decimal point is used: no group separators, no native
// digits, a plain minus sign.
#include <QLocale>
#include <QString>

// Fixed-point with the given number of decimals. An exact half rounds away
// from zero (0.25 with one decimal gives "0.3"); every other value rounds to
// the nearest.
QString FormatFixed(double value, int decimals, const QLocale& locale = QLocale());

// An integer with at least the given number of digits, zero-padded ("%.3d").
QString FormatPadded(long long value, int digits);
