#include "platform/Clock.h"

#include <QDateTime>

namespace {

std::function<TDateTime()>& Override()
{
    static std::function<TDateTime()> clock;
    return clock;
}

}  // namespace

TDateTime SystemNowUTC()
{
    if (Override())
        return Override()();
    return UnixMsToDateTime(QDateTime::currentDateTimeUtc().toMSecsSinceEpoch());
}

void SetClockForTesting(std::function<TDateTime()> clock) { Override() = std::move(clock); }
