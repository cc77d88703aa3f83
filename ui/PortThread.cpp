#include "PortThread.h"

#include "ConnectorSampler.h"
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

    // The timeline's sampling, set under queueMutex; off (null) unless its window is open.
    std::shared_ptr<SampleQueue> sampleInto;
    std::chrono::nanoseconds sampleEvery{};
    std::chrono::steady_clock::time_point nextSample;
    ConnectorSampler sampler; // the port thread's own
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

PinSample sampleConnector(PortThread::Shared &shared)
{
    return shared.sampler.sample(shared.levels.dataByte);
}

std::optional<TraceMarker> markerFor(const PanelRequest &request, std::int64_t t)
{
    switch (request.kind) {
    case PanelRequest::Click: {
        const ConnectorPin *pin = findPinByControlId(request.controlId);
        return TraceMarker{TraceMarker::Click, t, pin ? pin->number : 0u};
    }
    case PanelRequest::ReadStatus:
        return TraceMarker{TraceMarker::StatusRead, t};
    case PanelRequest::ReadControl:
        return TraceMarker{TraceMarker::ControlRead, t};
    case PanelRequest::DataIn:
        return TraceMarker{TraceMarker::DataIn, t};
    case PanelRequest::DataOut:
        return TraceMarker{TraceMarker::DataOut, t};
    case PanelRequest::Poll:
        break;
    }
    return std::nullopt;
}

// Waits for work; while the timeline samples, only until the next sample is due, then takes
// it. True when there is work.
bool awaitWorkOrSample(PortThread::Shared &shared, std::unique_lock<std::mutex> &lock)
{
    const auto hasWork = [&] { return !shared.work.empty(); };
    if (!shared.sampleInto) {
        shared.queued.wait(lock, [&] { return hasWork() || shared.sampleInto; });
        return hasWork();
    }
    if (shared.queued.wait_until(lock, shared.nextSample,
                                 [&] { return hasWork() || !shared.sampleInto; }))
        return hasWork();
    const std::shared_ptr<SampleQueue> into = shared.sampleInto;
    const auto now = std::chrono::steady_clock::now();
    // Late (the kernel kept an access): the next is one interval on, with no burst to catch up.
    shared.nextSample = std::max(shared.nextSample + shared.sampleEvery, now);
    lock.unlock();
    if (!shared.closing && shared.portOpened)
        into->sampled(sampleConnector(shared));
    lock.lock();
    return false;
}

// The thread: a plain one, asleep on its queue between requests, so that a request costs two
// wake-ups and nothing else, and an idle window wakes it never.
void serve(std::shared_ptr<PortThread::Shared> shared)
{
    leaveTerminationSignalsToOthers();
    pthread_setname_np(pthread_self(), "port");
    std::unique_lock lock(shared->queueMutex);
    while (!shared->ended) {
        if (!awaitWorkOrSample(*shared, lock))
            continue;
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
        std::shared_ptr<SampleQueue> into;
        {
            const std::lock_guard lock(shared->queueMutex);
            into = shared->sampleInto;
        }
        if (into)
            if (const PinSample after = sampleConnector(*shared);
                const auto marker = markerFor(request, after.t))
                into->marked(*marker, after);
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

void PortThread::sample(std::shared_ptr<SampleQueue> into, std::chrono::nanoseconds interval)
{
    const std::lock_guard lock(m_shared->queueMutex);
    m_shared->sampleInto = std::move(into);
    m_shared->sampleEvery = interval;
    m_shared->nextSample = std::chrono::steady_clock::now();
    m_shared->queued.notify_one(); // so that a thread asleep on its queue alone hears of it
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
