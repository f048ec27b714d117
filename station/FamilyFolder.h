#pragma once
// Where a family's files land: a folder relative to the data folder or
// absolute, which may hold the day fields %Y %m %d %j ("%%" is a '%'). A
// folder without them is one flat folder that every day shares.
#include "platform/DateTime.h"

#include <QString>

// False, with the reason, for a folder that cannot be used.
bool CheckFamilyFolder(const QString& folder, QString& reason);

bool HasDayFields(const QString& folder);

// The folder of a day, ending with '/': the data folder (ending with '/')
// and the folder, unless it is absolute, with the day's fields filled in.
// Empty for a day that cannot be written (past the year 9999).
QString FamilyDayFolder(const QString& folder, const QString& dataFolder, TDateTime day);

// The part of the folder before its first day field, as a folder ending with
// '/': what must exist for the family to be watched at all.
QString FamilyBaseFolder(const QString& folder, const QString& dataFolder);
