#include "Handle.h"

#include "CallFailure.h"
#include "MonotonicClock.h"
#include "zelvane.h"

#include <sys/prctl.h>

namespace {

constexpr std::int64_t kLongestPulseNs = 24LL * 3600 * 1000000000;
constexpr std::size_t kResultsKept = 4096; // pulses nobody waits for are forgotten oldest first

} // namespace

int zelvane::pulse(std::uint8_t value, std::uint8_t mask, std::int64_t durationNs, int after,
                   int onBusy, std::uint64_t &id)
{
    if (durationNs <= 0 || durationNs > kLongestPulseNs)
        return Fail(ZELVANE_E_ARGUMENT, "a pulse lasts more than 0 ns and at most 24 h",
                    "give its length in nanoseconds");
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (m_dataIn)
        return Fail(ZELVANE_E_DIRECTION, "the data lines D0-D7 are inputs now",
                    "zelvane_set_data_direction(h, 0) makes them outputs again");
    if ((m_pulsing || !m_pulses.empty()) && onBusy != ZELVANE_BUSY_QUEUE)
        return Fail(ZELVANE_E_BUSY,
                    onBusy == ZELVANE_BUSY_DROP ? "a pulse was under way: this one was dropped"
                                                : "a pulse is under way",
                    "wait for it with zelvane_pulse_wait, or ask with ZELVANE_BUSY_QUEUE");
    id = m_nextPulse++;
    m_pulses.push_back({id, value, mask, durationNs, after});
    m_results[id] = PulseResult{};
    while (m_results.size() > kResultsKept && m_results.begin()->second.status != kUnderWay)
        m_results.erase(m_results.begin());
    m_pulseWake.notify_all();
    return ZELVANE_OK;
}

int zelvane::pulseWait(std::uint64_t id, std::int64_t timeoutNs, std::int64_t &tOn,
                       std::int64_t &tOff)
{
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    const auto unfinished = [&] {
        const auto found = m_results.find(id);
        return m_backend && found != m_results.end() && found->second.status == kUnderWay;
    };
    if (timeoutNs < 0)
        m_pulseDone.wait(lock, [&] { return !unfinished(); });
    else if (!m_pulseDone.wait_for(lock, std::chrono::nanoseconds(timeoutNs),
                                   [&] { return !unfinished(); }))
        return Fail(ZELVANE_E_TIMEOUT, "the pulse has not ended yet", "wait longer");
    if (const int status = openCheck())
        return status;
    const auto found = m_results.find(id);
    if (found == m_results.end())
        return Fail(ZELVANE_E_ARGUMENT, "no pulse " + std::to_string(id) + " is known",
                    "use the id zelvane_pulse gave (only the last 4096 are kept)");
    tOn = found->second.tOn;
    tOff = found->second.tOff;
    if (found->second.status != ZELVANE_OK)
        return Fail(found->second.status, "the pulse did not reach the port",
                    "see zelvane_error_cause of the call that failed next");
    return ZELVANE_OK;
}

void zelvane::runPulses()
{
    prctl(PR_SET_TIMERSLACK, 1UL); // the timer's deadline is the deadline
    Lock lock(m_mutex);
    while (true) {
        m_pulseWake.wait(lock, [&] { return m_closing || !m_pulses.empty(); });
        if (m_closing)
            break;
        const PulseOrder order = m_pulses.front();
        m_pulses.pop_front();
        m_pulsing = true;
        runPulse(lock, order);
        m_pulsing = false;
        m_pulseDone.notify_all();
    }
    for (const PulseOrder &dropped : m_pulses)
        m_results[dropped.id].status = ZELVANE_E_CLOSED;
    m_pulses.clear();
    m_pulseDone.notify_all();
}

// The off edge is due the pulse's length after the on edge reached the port. A close cuts
// the wait short, never the off edge.
void zelvane::runPulse(Lock &lock, const PulseOrder &order)
{
    std::uint8_t before = 0;
    if (!readRegister(PortRegister::Data, before)) {
        m_results[order.id].status = accessFailed("the read did not reach the port");
        return;
    }
    const auto on = static_cast<std::uint8_t>((before & ~order.mask) | (order.value & order.mask));
    const auto off =
        order.after == ZELVANE_AFTER_RESTORE ? before : static_cast<std::uint8_t>(order.after);
    std::int64_t tOn = 0, tOff = 0;
    int status = writeRegister(PortRegister::Data, on, tOn);
    if (status == ZELVANE_OK) {
        sleepUntil(lock, tOn + order.durationNs);
        status = writeRegister(PortRegister::Data, off, tOff);
    }
    m_results[order.id] = {status, tOn, tOff}; // only now is it done for a waiter
}

// Asleep (the mutex given back) until the spin, then spinning without it. False when the
// handle is closing.
bool zelvane::sleepUntil(Lock &lock, std::int64_t deadlineNs)
{
    const auto steadyAt = [](std::int64_t ns) {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
    };
    if (m_pulseWake.wait_until(lock, steadyAt(deadlineNs - kFinalSpin.count()),
                               [&] { return m_closing; }))
        return false;
    lock.unlock();
    while (MonotonicNs() < deadlineNs) {
    }
    lock.lock();
    return !m_closing;
}
