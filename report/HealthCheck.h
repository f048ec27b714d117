#pragma once
// The verdict of -check in the monitoring-plugin form: one line
// "LAGWATCH <STATE> - <text> | <performance data>" and the exit status 0-3.
#include "report/Completeness.h"
#include "report/FamilyReading.h"
#include "report/StationStatus.h"

#include <QString>
#include <QStringList>
#include <vector>

enum class TCheckState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct TCheckResult
{
    TCheckState State = TCheckState::Unknown;
    QString Line;  // without the line end
};

// The worst of the newest delay against the warning and critical minutes
// ("more than", as the chart's bands) and of the newest product's age
// against the maximum age (critical). No product at all is critical.
// With completeness, also the products missing in the last 24 hours against
// MissingWarning and MissingCritical ("at least"), the verdict no worse than
// the missing policy allows; a learned schedule that is not known yet says so
// and changes nothing.
TCheckResult CheckStation(const TStationStatus& status, const TFamilyLimits& limits,
                          const TStationCompleteness* completeness = nullptr);

// The one line over every family: the worst verdict (critical before unknown
// before warning before OK); the text names each family that is not OK, the
// worst first, with what made it so (three at most, then "and N more"), and
// how many are OK; the performance data of every family, each label prefixed
// with the family's name and "_". A family with a problem is unknown. One
// family: its own line, as CheckStation gives it (UnknownCheck with a problem).
TCheckResult CheckFamilies(const std::vector<TFamilyReading>& families);

// A run that failed has no verdict: UNKNOWN with the reasons.
TCheckResult UnknownCheck(const QStringList& reasons);

const char* CheckStateName(TCheckState state);
