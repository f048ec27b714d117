#include "tests/e2e/MonitoringServers.h"

#include "tests/e2e/ProgramRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A loopback port nobody listens on at this moment (another process may
// take it before the server binds it: TServer then tries another).
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace

QByteArray HttpGet(int port, const QByteArray& path)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    QByteArray response;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const QByteArray request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) == request.size()) {
            char buffer[8192];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                response.append(buffer, n);
        }
    }
    ::close(fd);
    const qsizetype body = response.indexOf("\r\n\r\n");
    return response.startsWith("HTTP/1.") && response.mid(9, 3) == "200" && body >= 0 ? response.mid(body + 4)
                                                                                      : QByteArray();
}

bool WaitUntil(const std::function<bool()>& condition, int boundMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > boundMs)
            return false;
        QThread::msleep(200);
    }
    return true;
}

TServer::TServer(const QString& program, const std::function<QStringList(int port)>& arguments,
                 const QByteArray& readyPath, const QByteArray& mark, const QString& log, int boundMs)
    : FLog(log)
{
    FProcess.setProgram(program);
    FProcess.setProcessEnvironment(OwnHome(QProcessEnvironment::systemEnvironment()));
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    FProcess.setStandardOutputFile(log, QIODevice::Append);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int port = FreePort();
        FProcess.setArguments(arguments(port));
        FProcess.start();
        if (!FProcess.waitForStarted(60000))
            break;
        const bool ready = WaitUntil([&] { return Exited() || HttpGet(port, readyPath).contains(mark); }, boundMs);
        if (!Exited()) {
            FPort = ready ? port : 0;
            break;
        }
    }
}

TServer::~TServer()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.terminate();
    if (!FProcess.waitForFinished(60000)) {
        FProcess.kill();
        FProcess.waitForFinished(60000);
    }
}

QString TServer::Log() const
{
    QFile f(FLog);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(3000)) : QString();
}

bool TServer::Exited() { return FProcess.state() == QProcess::NotRunning || FProcess.waitForFinished(0); }

QJsonArray QuerySamples(int port, const QString& query)
{
    const QByteArray reply = HttpGet(port, "/api/v1/query?query=" + query.toUtf8().toPercentEncoding());
    return QJsonDocument::fromJson(reply)["data"]["result"].toArray();
}

QMap<QString, QString> QueryByLabel(int port, const QString& query, const QString& label)
{
    QMap<QString, QString> values;
    for (const QJsonValue sample : QuerySamples(port, query))
        values[sample["metric"][label].toString()] = sample["value"][1].toString();
    return values;
}

QStringList FiringAlerts(int port, const QString& alert, const QString& label)
{
    QStringList firing;
    for (const QJsonValue a : QJsonDocument::fromJson(HttpGet(port, "/api/v1/alerts"))["data"]["alerts"].toArray())
        if (a["labels"]["alertname"] == alert && a["state"] == "firing")
            firing.append(a["labels"][label].toString());
    firing.sort();
    return firing;
}
