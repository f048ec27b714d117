#pragma once
// The verdict of -check in the monitoring-plugin form: one line
// "LAGWATCH <STATE> - <text> | <performance data>" and the exit status 0-3.
#include "report/Completeness.h"
#include "report/StationStatus.h"

#include <QString>
#include <QStringList>

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
// MissingWarning and MissingCritical ("at least"); a learned schedule that is
// not known yet says so and changes nothing.
TCheckResult CheckStation(const TStationStatus& status, const TMonitoringThresholds& thresholds,
                          const TStationCompleteness* completeness = nullptr);

// A run that failed has no verdict: UNKNOWN with the reasons.
TCheckResult UnknownCheck(const QStringList& reasons);

const char* CheckStateName(TCheckState state);
