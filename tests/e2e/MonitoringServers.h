#pragma once
// Real servers for the monitoring tests (a node exporter, Prometheus), each
// on a free loopback port for the length of a test and stopped whatever
// happens, the HTTP GET that reads them and what Prometheus's API tells.
#include <QByteArray>
#include <QJsonArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// The body of an HTTP GET on the loopback, empty when nothing answers.
QByteArray HttpGet(int port, const QByteArray& path);

// Polls until the condition holds. The bound only ends a hang: a busy
// machine may take long, a working one never takes that long.
bool WaitUntil(const std::function<bool()>& condition, int boundMs = 300000);

// A server on a free loopback port, ready once its answer to readyPath holds
// mark (so that it is this server answering). Started again on another port
// when the port was taken before it bound it (it then exits); stopped when it
// goes out of scope. Port() is 0 when it never got ready within boundMs.
class TServer
{
public:
    TServer(const QString& program, const std::function<QStringList(int port)>& arguments, const QByteArray& readyPath,
            const QByteArray& mark, const QString& log, int boundMs = 300000);
    ~TServer();
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;

    int Port() const { return FPort; }
    // The end of its output.
    QString Log() const;

private:
    bool Exited();

    QProcess FProcess;
    QString FLog;
    int FPort = 0;
};

// Prometheus's answers: the samples of an instant query; their values (as
// Prometheus writes them) by a label's value; the label's value of every
// alert of that name that fires, sorted.
QJsonArray QuerySamples(int port, const QString& query);
QMap<QString, QString> QueryByLabel(int port, const QString& query, const QString& label);
QStringList FiringAlerts(int port, const QString& alert, const QString& label);
