#include "Handle.h"

#include "CallFailure.h"
#include "PinLogic.h"
#include "PinTable.h"
#include "QuietThread.h"
#include "zelvane.h"

#include <array>
#include <vector>

namespace {

constexpr std::uint32_t kSignalPins = 0x3FFFE; // pins 1 to 17
constexpr std::size_t kEdgesKept = 1u << 20;   // unread edges beyond it are lost, oldest first

} // namespace

int zelvane::watchStart(std::uint32_t pins, std::int64_t intervalNs)
{
    if (pins == 0 || (pins & ~kSignalPins) != 0)
        return Fail(ZELVANE_E_ARGUMENT, "only pins 1 to 17 carry signals to watch",
                    "set bit p of pins for pin p, for at least one pin");
    if (intervalNs <= 0)
        return Fail(ZELVANE_E_ARGUMENT, "the interval must be more than 0 ns",
                    "give it in nanoseconds, for example 1000000 for 1 ms");
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    while (m_watchThread.joinable()) { // a new watch replaces the running one
        m_watching = false;
        m_watchWake.notify_all();
        std::thread old = std::move(m_watchThread);
        lock.unlock();
        old.join();
        lock.lock();
        if (const int status = openCheck())
            return status;
    }
    std::vector<const ConnectorPin *> watched;
    for (const ConnectorPin &pin : kConnectorPins)
        if (pins & (1u << pin.number))
            watched.push_back(&pin);
    WatchedLevels levels{}; // edges count from the levels as the call returns
    m_edges.clear();
    pollPins(watched, levels);
    m_watching = true;
    m_watchThread = QuietThread([this, watched = std::move(watched), levels, intervalNs] {
        runWatch(watched, levels, intervalNs);
    });
    return ZELVANE_OK;
}

int zelvane::watchNext(int &pin, int &level, std::int64_t &tNs, std::int64_t timeoutNs)
{
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    const auto ready = [&] { return !m_edges.empty() || !m_watching || !m_backend; };
    if (timeoutNs < 0)
        m_edgeReady.wait(lock, ready);
    else
        m_edgeReady.wait_for(lock, std::chrono::nanoseconds(timeoutNs), ready);
    if (const int status = openCheck())
        return status;
    if (m_edges.empty())
        return m_watching ? Fail(ZELVANE_E_TIMEOUT, "no edge came in the time given", "wait longer")
                          : Fail(ZELVANE_E_ARGUMENT, "no watch is running",
                                 "start one with zelvane_watch_start");
    pin = m_edges.front().pin;
    level = m_edges.front().level;
    tNs = m_edges.front().tNs;
    m_edges.pop_front();
    return ZELVANE_OK;
}

int zelvane::watchStop()
{
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    m_watching = false;
    m_watchWake.notify_all();
    m_edgeReady.notify_all();
    std::thread watch = std::move(m_watchThread);
    lock.unlock();
    if (watch.joinable())
        watch.join();
    return ZELVANE_OK;
}

// Each watched pin's level now; an edge queued for each that changed since the last poll. A
// poll never waits for the port: one that cannot have it now is skipped.
void zelvane::pollPins(const std::vector<const ConnectorPin *> &watched, WatchedLevels &last)
{
    std::array<std::optional<std::uint8_t>, 3> values{};
    for (const ConnectorPin *pin : watched) {
        auto &value = values[static_cast<unsigned>(*pin->reg) - kFirstPortBase];
        std::uint8_t byte = 0;
        if (!value && !readRegister(*pin->reg, byte, true))
            return;
        if (!value)
            value = byte;
    }
    const std::int64_t at = MonotonicNs();
    for (const ConnectorPin *pin : watched) {
        const unsigned level =
            PinLogic().level(*pin, *values[static_cast<unsigned>(*pin->reg) - kFirstPortBase]);
        if (last[pin->number] && *last[pin->number] != level) {
            if (m_edges.size() == kEdgesKept)
                m_edges.pop_front();
            m_edges.push_back({pin->number, static_cast<int>(level), at});
            m_edgeReady.notify_all();
        }
        last[pin->number] = level;
    }
}

// Polls on the interval's grid from the start; polls a stall missed are not made up for.
void zelvane::runWatch(std::vector<const ConnectorPin *> watched, WatchedLevels last,
                       std::int64_t intervalNs)
{
    Lock lock(m_mutex);
    std::int64_t due = MonotonicNs();
    while (true) {
        due += intervalNs;
        const std::int64_t now = MonotonicNs();
        if (due <= now)
            due += (now - due) / intervalNs * intervalNs + intervalNs;
        m_watchWake.wait_until(lock,
                               std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due)),
                               [&] { return !m_watching; });
        if (!m_watching || !m_backend)
            return;
        pollPins(watched, last);
    }
}

int zelvane::recordStart(const std::string &path)
{
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (m_trace)
        return Fail(ZELVANE_E_BUSY, "a recording is under way", "stop it with zelvane_record_stop");
    std::vector<const ConnectorPin *> pins;
    std::vector<unsigned> levels;
    std::array<std::optional<std::uint8_t>, 3> values{};
    for (const ConnectorPin &pin : kConnectorPins) {
        if (!pin.reg)
            continue;
        auto &value = values[static_cast<unsigned>(*pin.reg) - kFirstPortBase];
        std::uint8_t byte = 0;
        if (!value && !m_backend->readRegister(*pin.reg, byte))
            return accessFailed("the read did not reach the port");
        if (!value)
            value = byte;
        pins.push_back(&pin);
        levels.push_back(PinLogic().level(pin, *value));
    }
    std::string error;
    m_traceStartNs = MonotonicNs();
    m_trace = VcdTrace::create(path, pins, levels, {"libzelvane", std::chrono::system_clock::now()},
                               error);
    if (!m_trace)
        return Fail(ZELVANE_E_ARGUMENT, "cannot write the trace: " + error,
                    "give a path in a folder you can write");
    return ZELVANE_OK;
}

int zelvane::recordStop()
{
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (!m_trace)
        return ZELVANE_OK;
    std::string error;
    const bool written =
        m_trace->finish(std::chrono::microseconds((MonotonicNs() - m_traceStartNs) / 1000), error);
    m_trace.reset();
    return written ? ZELVANE_OK
                   : Fail(ZELVANE_E_ACCESS, "cannot write the trace: " + error,
                          "give a path on a disk with room");
}
