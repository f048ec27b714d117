#pragma once
// Date patterns as the program writes them: "yyyy-mmm-dd", "mmm dd",
// "yyyy/mm/dd/", "yyyymmdd\"1200-crm.grb\"".
//   yyyy, yy     year with four or two digits
//   m, mm        month without and with a leading zero
//   mmm, mmmm    the locale's abbreviated and full month name
//   d, dd        day without and with a leading zero
//   ddd, dddd    the locale's abbreviated and full day name
//   hh, nn, ss   hour, minute, second with two digits
//   "text" 'text' copied without the quotes
// Every other character, the path delimiter included, is copied as it stands.
#include "platform/DateTime.h"

#include <QLocale>
#include <QString>

// Empty when the value lies outside the years 1 to 9999.
QString FormatDateTime(const QString& pattern, TDateTime value, const QLocale& locale = QLocale());
