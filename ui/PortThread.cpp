#include "PortThread.h"

#include "WinIo.h"

#include <QThread>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <pthread.h>

struct PortThread::Shared {
    explicit Shared(PinLevels &levels) : levels(levels) {}

    PinLevels &levels;
    std::atomic<bool> closing{false};
    // The port thread's own.
    bool portOpened = false;
    std::vector<PortNotice> notices; // told during the request under way

    // The opening, handed to a window that still waits for it.
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<Opening> opening;
    bool openingAwaited = true;
};

namespace {

// Signals meant for the program are taken by the window's thread, never in the middle of an
// access here.
void leaveTerminationSignalsToOthers()
{
    sigset_t termination;
    sigemptyset(&termination);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&termination, signal);
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);
}

PortThread::Opening openDriver()
{
    PortThread::Opening opening;
    opening.opened = InitializeWinIo();
    for (const std::string &refusal : PortRefusals())
        opening.refusals << QString::fromStdString(refusal);
    opening.description = QString::fromStdString(OpenPortDescription());
    opening.kernelPort = OpenKernelPortNumber();
    opening.dataDirection = DataDirectionAbility();
    return opening;
}

// Threads left to the kernel, kept where they can be found: they are never ended, and a leak
// checker must not take them for lost.
std::vector<PortThread *> &leftInKernel()
{
    static std::vector<PortThread *> threads;
    return threads;
}

} // namespace

PortThread::PortThread(PinLevels &levels, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>(levels)), m_thread(new QThread),
      m_context(new QObject)
{
    m_thread->setObjectName(QStringLiteral("port"));
    m_context->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(m_context, leaveTerminationSignalsToOthers, Qt::QueuedConnection);
}

PortThread::~PortThread()
{
    if (!close(std::chrono::milliseconds(500)))
        return; // the thread and its objects are the kernel's now
    delete m_context;
    delete m_thread;
}

std::optional<PortThread::Opening> PortThread::open(std::chrono::milliseconds wait)
{
    m_sentAt.emplace_back().start();
    auto shared = m_shared;
    QMetaObject::invokeMethod(
        m_context,
        [shared, this] {
            SetPortNoticeHandler(
                [shared](const PortNotice &notice) { shared->notices.push_back(notice); });
            Opening opening = openDriver();
            shared->portOpened = opening.opened;
            std::lock_guard lock(shared->mutex);
            if (shared->openingAwaited) {
                shared->opening = std::move(opening);
                shared->answered.notify_all();
                return;
            }
            QMetaObject::invokeMethod(
                this,
                [this, opening] {
                    m_sentAt.pop_front();
                    emit opened(opening);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->answered.wait_for(lock, wait, [&] { return m_shared->opening.has_value(); })) {
        m_shared->openingAwaited = false;
        return std::nullopt;
    }
    m_sentAt.pop_front();
    return std::exchange(m_shared->opening, std::nullopt);
}

void PortThread::send(const PanelRequest &request)
{
    m_sentAt.emplace_back().start();
    auto shared = m_shared;
    QMetaObject::invokeMethod(
        m_context,
        [shared, request, this] {
            if (shared->closing)
                return;
            const PanelOutcome outcome =
                RunPanelRequest(shared->levels, request, shared->portOpened);
            QMetaObject::invokeMethod(
                this,
                [this, outcome, notices = std::exchange(shared->notices, {})] {
                    finished(outcome, notices);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool PortThread::sendPoll(const PanelRequest &poll)
{
    if (busy())
        return false;
    send(poll);
    return true;
}

std::chrono::milliseconds PortThread::busyFor() const
{
    return std::chrono::milliseconds(m_sentAt.empty() ? 0 : m_sentAt.front().elapsed());
}

void PortThread::finished(const PanelOutcome &outcome, const std::vector<PortNotice> &notices)
{
    if (!m_sentAt.empty())
        m_sentAt.pop_front();
    emit done(outcome, notices);
}

bool PortThread::close(std::chrono::milliseconds wait)
{
    if (m_shared->closing.exchange(true))
        return !m_stuck;
    QMetaObject::invokeMethod(
        m_context,
        [] {
            ShutdownWinIo();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_stuck = !m_thread->wait(QDeadlineTimer(wait.count()));
    if (m_stuck)
        leftInKernel().push_back(this);
    return !m_stuck;
}
