#include "chart/DateTimeSteps.h"

#include <cfloat>
#include <cmath>

const double DateTimeStepTable[DateTimeStepCount] = {
    OneMicroSecond,        1.0 / 86400e3,        OneSecond,          5 * OneSecond,
    10 * OneSecond,        15 * OneSecond,       30 * OneSecond,     1.0 / 1440,
    5.0 / 1440,            10.0 / 1440,          15.0 / 1440,        30.0 / 1440,
    1.0 / 24,              2.0 / 24,             6.0 / 24,           12.0 / 24,
    1,                     2,                    3,                  7,
    15,                    30,                   60,                 90,
    120,                   182,                  365};

int FindDateTimeStep(double value)
{
    for (int i = DateTimeStepCount - 1; i >= 0; --i)
        if (std::fabs(DateTimeStepTable[i] - value) < OneMicroSecond)
            return i;
    return -1;
}

double NextStep125(double step)
{
    if (std::isinf(step))
        return 1;
    // Also catches NaN, which would otherwise recurse forever through s < 1.
    if (!(step >= DBL_MIN))
        return 1e-12;
    if (step >= 10)
        return 10 * NextStep125(step / 10);
    if (step < 1)
        return NextStep125(10 * step) / 10;
    if (step < 2)
        return 2;
    if (step < 5)
        return 5;
    return 10;
}

double NextDateTimeTableStep(double step)
{
    int i = DateTimeStepCount - 1;
    while (i > 0 && DateTimeStepTable[i] > step + OneMicroSecond / 2)
        --i;
    return DateTimeStepTable[i < DateTimeStepCount - 1 ? i + 1 : i];
}

double DateTimeLabelStep(int n, double increment, double range)
{
    if (n < 1)
        return OneMicroSecond;
    double step = increment > OneMicroSecond ? increment : OneMicroSecond;
    if (range / step > 1e6)
        step = range / 1e6;
    for (int guard = 0; guard < MaxAxisSteps && n < std::nearbyint(range / step); ++guard) {
        const double before = step;
        if (step >= 365)
            step *= 2;
        else if (step >= OneSecond)
            step = NextDateTimeTableStep(step);
        else
            step = NextStep125(step);
        if (!(step > before))
            break;
    }
    return step > OneMicroSecond ? step : OneMicroSecond;
}

double ValueLabelStep(int n, double increment, double range, bool raiseToOne, int labelsSeparation)
{
    if (n < 1)
        return 1e-12;
    double step;
    if (increment > 0)
        step = increment;
    else if (range != 0) {
        step = std::fabs(range) / (n + 1);
        if (raiseToOne && range >= 1.1 && step < 1)
            step = 1;
    } else
        step = 1;
    if (labelsSeparation >= 1) {
        for (int guard = 0; guard < MaxAxisSteps; ++guard) {
            if (n >= std::nearbyint(range / step) || step > range)
                break;
            const double next = NextStep125(step);
            if (std::isinf(next)) {
                step = range;
                break;
            }
            if (!(next > step))
                break;
            step = next;
        }
    }
    return step > 1e-12 ? step : 1e-12;
}

TDateTime CalendarFirstLabel(TDateTime maximum, int k)
{
    TDateParts d;
    if (!(maximum > 2.0) || !TryDecodeDate(maximum, d))
        return maximum;
    if (k >= DtHalfMonth && k <= 25)
        d.Day = k == DtHalfMonth && d.Day >= 15 ? 15 : 1;
    else if (k == DtOneYear) {
        d.Month = 1;
        d.Day = 1;
    }
    TDateTime result = maximum;
    TryEncodeDate(d.Year, d.Month, d.Day, result);
    return result;
}

TDateTime CalendarStepBack(TDateTime v, int k, double inc)
{
    TDateParts d;
    if (k < DtHalfMonth || k > DtOneYear || !TryDecodeDate(v, d))
        return v - inc;
    int months = 0;
    if (k == DtHalfMonth) {
        if (d.Day >= 16)
            d.Day = 15;
        else if (d.Day >= 2)
            d.Day = 1;
        else {
            d.Day = 15;
            months = 1;
        }
    } else {
        static const int back[] = {1, 2, 3, 4, 6, 12};
        months = back[k - DtOneMonth];
        d.Day = 1;
    }
    TDateTime day, result;
    if (!TryEncodeDate(d.Year, d.Month, d.Day, day) || !TryIncMonth(day, -months, result))
        return v - inc;
    return result;
}
