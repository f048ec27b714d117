#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int PipeFds[2] = {-1, -1};
const int StopSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction PreviousActions[3];

extern "C" void OnStopSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe drops the byte: one pending signal is enough to stop.
    [[maybe_unused]] const ssize_t written = ::write(PipeFds[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

TStopSignals::TStopSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, PipeFds) != 0)
        return;
    FNotifier = new QSocketNotifier(PipeFds[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { ReadPending(); });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
        ::sigaction(StopSignalNumbers[i], &action, &PreviousActions[i]);
}

TStopSignals::~TStopSignals()
{
    if (PipeFds[0] < 0)
        return;
    for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
        ::sigaction(StopSignalNumbers[i], &PreviousActions[i], nullptr);
    delete FNotifier;
    ::close(PipeFds[0]);
    ::close(PipeFds[1]);
    PipeFds[0] = PipeFds[1] = -1;
}

void TStopSignals::ReadPending()
{
    unsigned char byte = 0;
    while (::read(PipeFds[1], &byte, 1) == 1) {
        if (FFirst == 0)
            FFirst = byte;
        emit Received(byte);
    }
}
