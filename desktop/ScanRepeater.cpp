#include "desktop/ScanRepeater.h"

#include "station/Utils.h"

#include <QTimer>

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
        state.NextScan = NowUTC() + FTimer->remainingTime() / MSecsPerDay;
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
