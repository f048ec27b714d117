#pragma once
// Small shared helpers of the delay checker: the settings read, the UTC clock
// and the day of the year.
#include "platform/DateTime.h"

#include <QString>

// The string value under <CompanyKey>/<programKey> in the user's settings
// (on Linux $XDG_CONFIG_HOME/<CompanyKey>/<programKey>.conf), up to its first
// NUL; empty when the file, the value, or a string value is missing. A store
// that exists but cannot be read also gives an empty string and sets error.
QString ReadRegistryString(const QString& programKey, const QString& valueName, QString* error = nullptr);

// Where ReadRegistryString reads the settings of programKey, for telling the
// user which file to change.
QString SettingsFilePath(const QString& programKey);

TDateTime NowUTC();

// Day number within the year, 1 for 1 January; 0 when the year cannot be decoded.
int DayOfYearUTC(TDateTime value);
