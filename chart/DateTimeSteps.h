#pragma once
// How far apart axis labels are: the 1-2-5 rule for value axes, the step table
// and calendar stepping for date-time axes. Plain functions, so the choices
// can be checked without a chart.
#include "platform/DateTime.h"

constexpr int DateTimeStepCount = 27;
constexpr int DtOneDay = 16, DtThreeDays = 18, DtHalfMonth = 20, DtOneMonth = 21, DtOneYear = 26;
// Steps in days, from 1 microsecond to 365 days.
extern const double DateTimeStepTable[DateTimeStepCount];
constexpr double OneMicroSecond = 1.0 / 86400e6;
constexpr double OneSecond = 1.0 / 86400.0;

// Every stepping loop of an axis gives up after this many steps.
constexpr int MaxAxisSteps = 10000;

// The entry whose step differs from the value by less than 1 microsecond,
// searched from the longest step down; -1 when none matches.
int FindDateTimeStep(double value);

// The next step of the 1-2-5 rule (1, 2, 5, 10, 20, ...). An infinite step
// gives 1; zero, negative, denormal and NaN steps give 1e-12.
double NextStep125(double step);

// The table entry after the largest one not above the step (365 days at most).
double NextDateTimeTableStep(double step);

// The label step of a date-time axis for n labels that fit, in days.
double DateTimeLabelStep(int n, double increment, double range);

// The label step of a value axis for n labels that fit. raiseToOne: a
// horizontal axis over few points, whose labels should not be fractions.
double ValueLabelStep(int n, double increment, double range, bool raiseToOne, int labelsSeparation);

// The first label of a date-time axis stepping by entry k (16 to 26): the
// maximum rounded down to the entry's calendar unit; the maximum itself when it
// is not after 1900-01-01 or outside the calendar.
TDateTime CalendarFirstLabel(TDateTime maximum, int k);

// One step back from v: by calendar for entries 20 to 26 (half months, months,
// years), else v - inc; plainly v - inc where the calendar does not reach.
TDateTime CalendarStepBack(TDateTime v, int k, double inc);
