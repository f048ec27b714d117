#pragma once
// Value labels of a chart axis: the "#,##0.###" pattern (group separators, at
// least one integer digit, up to three decimals) with the locale's separators.
#include <QLocale>
#include <QString>

// Understands patterns of the form "#,##0.###": a comma anywhere in the integer
// part turns grouping on, zeros after the point are required decimals and
// hashes optional ones. Non-finite values give an empty text.
QString FormatAxisValue(double value, const QString& pattern = QStringLiteral("#,##0.###"),
                        const QLocale& locale = QLocale());
