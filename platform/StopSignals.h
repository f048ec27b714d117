#pragma once
// SIGTERM, SIGINT and SIGHUP (a scheduler's stop, Ctrl+C, a closed terminal)
// turned into a Qt signal. The handler only writes the signal's number to a
// socket pair; the event loop reads it and emits Received, so no work runs
// inside the handler. The handlers stay installed until the object goes, so a
// second signal while the ledger is being saved cannot interrupt the save.
#include <QObject>

class QSocketNotifier;

class TStopSignals : public QObject
{
    Q_OBJECT

public:
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;

    // The first signal received, or 0.
    int FirstSignal() const { return FFirst; }
    // Takes in the signals that arrived while no event loop ran (the save).
    void CollectPending() { ReadPending(); }

signals:
    // Once per signal received; the first one decides the exit status.
    void Received(int signalNumber);

private:
    void ReadPending();

    QSocketNotifier* FNotifier = nullptr;
    int FFirst = 0;
};
