#include "PortThread.h"

#include "WinIo.h"

#include <condition_variable>
#include <csignal>
#include <deque>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>

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

    // The work sent to the thread, in order; the last of it ends the thread.
    std::mutex queueMutex;
    std::condition_variable queued;
    std::deque<std::function<void()>> work;
    bool ended = false;
    std::condition_variable endedNow;
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

// The thread: a plain one, asleep on its queue between requests, so that a request costs two
// wake-ups and nothing else, and an idle window wakes it never.
void serve(std::shared_ptr<PortThread::Shared> shared)
{
    leaveTerminationSignalsToOthers();
    pthread_setname_np(pthread_self(), "port");
    std::unique_lock lock(shared->queueMutex);
    while (!shared->ended) {
        shared->queued.wait(lock, [&] { return !shared->work.empty(); });
        std::function<void()> next = std::move(shared->work.front());
        shared->work.pop_front();
        lock.unlock();
        next();
        lock.lock();
    }
    shared->endedNow.notify_all();
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
    static auto *threads = new std::vector<PortThread *>; // outlives the program's end too
    return *threads;
}

} // namespace

PortThread::PortThread(PinLevels &levels, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>(levels))
{
    std::thread(serve, m_shared).detach(); // its end is awaited through the queue, with a bound
}

PortThread::~PortThread()
{
    close(std::chrono::milliseconds(500)); // a thread left to the kernel stays there
}

void PortThread::post(std::function<void()> work)
{
    const std::lock_guard lock(m_shared->queueMutex);
    m_shared->work.push_back(std::move(work));
    m_shared->queued.notify_one();
}

std::optional<PortThread::Opening> PortThread::open(std::chrono::milliseconds wait)
{
    m_sentAt.emplace_back().start();
    auto shared = m_shared;
    post([shared, this] {
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
    });
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
    post([shared, request, this] {
        if (shared->closing)
            return;
        const PanelOutcome outcome = RunPanelRequest(shared->levels, request, shared->portOpened);
        QMetaObject::invokeMethod(
            this,
            [this, outcome, notices = std::exchange(shared->notices, {})] {
                finished(outcome, notices);
            },
            Qt::QueuedConnection);
    });
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
    auto shared = m_shared;
    post([shared] {
        ShutdownWinIo();
        const std::lock_guard lock(shared->queueMutex);
        shared->ended = true;
    });
    std::unique_lock lock(m_shared->queueMutex);
    m_stuck = !m_shared->endedNow.wait_for(lock, wait, [&] { return m_shared->ended; });
    if (m_stuck)
        leftInKernel().push_back(this);
    return !m_stuck;
}
