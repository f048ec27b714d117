#pragma once
// The window's later scans: "Scan again" on demand and, with -refresh, one
// every few minutes. A scan runs on the window's thread and lets events
// through at every folder it walks, so a request can arrive while one runs:
// it is skipped, and the status says so. A scan that fails is remembered
// until the next one, which simply tries again.
#include "platform/DateTime.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

// What the status line tells of the scans (UTC times).
struct TWatchState
{
    bool Scanning = false;
    std::optional<TDateTime> LastScan;  // when the last (or running) scan started
    QString LastFailure;                // why the last scan failed; empty: it did not
    std::optional<TDateTime> NextScan;  // the period's next scan; none without -refresh
    std::optional<TDateTime> Skipped;   // a scan asked for while another ran
};

class TScanRepeater : public QObject
{
    Q_OBJECT

public:
    // Runs one scan; returns why it failed, or an empty string.
    using TScan = std::function<QString()>;

    // refreshMinutes: the period of -refresh; none, only scans on demand.
    TScanRepeater(TScan scan, std::optional<int> refreshMinutes, QObject* parent = nullptr);

    // Runs a scan now, unless one is running; false when it was skipped.
    // The first call also starts the period.
    bool ScanNow();

    bool Scanning() const { return FScanning; }
    bool Refreshing() const { return FRefreshMinutes.has_value(); }
    const QString& LastFailure() const { return FLastFailure; }
    TWatchState State() const;

    QTimer* RefreshTimer() const { return FTimer; }

signals:
    // A scan started or ended, or one was skipped.
    void Changed();

private:
    TScan FScan;
    std::optional<int> FRefreshMinutes;
    QTimer* FTimer = nullptr;
    bool FScanning = false;
    std::optional<TDateTime> FLastScan;
    QString FLastFailure;
    std::optional<TDateTime> FSkipped;
};
