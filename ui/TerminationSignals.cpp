#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_sockets[2] = {-1, -1}; // [0] written by the handler, [1] read by the event loop
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_saved[std::size(kSignals)]; // as they were before, restored on the way out

void forwardToEventLoop(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const auto written = write(g_sockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_sockets) != 0)
        return; // the default actions stay: the kernel still closes the device
    m_notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    struct sigaction action {};
    action.sa_handler = forwardToEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &g_saved[i]);
        // Ignored at start (nohup, a shell's background job) stays ignored.
        if (g_saved[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_saved[i], nullptr);
    delete m_notifier;
    close(g_sockets[0]);
    close(g_sockets[1]);
    g_sockets[0] = g_sockets[1] = -1;
}

void TerminationSignals::readPending()
{
    char byte = 0;
    while (read(g_sockets[1], &byte, 1) == 1)
        emit received(byte);
}
