#include "desktop/ScanRepeater.h"

#include "station/Utils.h"

#include <QTimer>

#include <cmath>
#include <exception>

TScanRepeater::TScanRepeater(TScan scan, std::optional<int> refreshMinutes, QObject* parent)
    : QObject(parent), FScan(std::move(scan)), FRefreshMinutes(refreshMinutes)
{
    setObjectName(QStringLiteral("ScanRepeater"));
    if (!FRefreshMinutes)
        return;
    FTimer = new QTimer(this);
    FTimer->setObjectName(QStringLiteral("RefreshTimer"));
    // A fixed beat: a long scan does not push the later ones back.
    FTimer->setInterval(std::chrono::minutes(*FRefreshMinutes));
    FTimer->setTimerType(Qt::CoarseTimer);
    connect(FTimer, &QTimer::timeout, this, [this] { ScanNow(); });
}

TWatchState TScanRepeater::State() const
{
    TWatchState state{FScanning, FLastScan, FLastFailure, std::nullopt, FSkipped};
    if (FTimer && FTimer->isActive())
        // In whole seconds: the timer's few milliseconds gone by are no minute earlier.
        state.NextScan = NowUTC() + std::round(FTimer->remainingTime() / 1000.0) * 1000 / MSecsPerDay;
    return state;
}

bool TScanRepeater::ScanNow()
{
    if (FScanning) {
        FSkipped = NowUTC();
        emit Changed();
        return false;
    }
    if (FTimer && !FTimer->isActive())
        FTimer->start();
    FScanning = true;
    FLastScan = NowUTC();
    FSkipped.reset();
    emit Changed();
    // Nothing may escape into the event loop, and a failure never stops the
    // repeats: the next scan tries again.
    try {
        FLastFailure = FScan();
    } catch (const std::exception& error) {
        FLastFailure = QStringLiteral("the scan pass failed: %1").arg(QString::fromLocal8Bit(error.what()));
    }
    FScanning = false;
    emit Changed();
    return true;
}
