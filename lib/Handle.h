#pragma once

#include "PortBackend.h"
#include "VcdTrace.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

struct ConnectorPin;

// One opening of a port. Every call takes the mutex for its accesses only, so the handle's
// threads (the pulses', the watch's) and the caller's take turns between accesses. A closed
// handle keeps only its closed mark.
struct zelvane {
public:
    explicit zelvane(std::unique_ptr<PortBackend> backend);

    // ZELVANE_OK, or ZELVANE_E_CLOSED where closed or opened by the process this one was
    // forked from (whose claim and threads are not this process's).
    int usable() const;
    int close();
    // At exit: what close does, for handles of this process still open.
    void closeAtProcessEnd();

    int portName(std::string &name);
    int read(int reg, unsigned &value);
    int write(int reg, unsigned value);
    int getPin(int pin, int &level);
    int setPin(int pin, int level);
    int setDataDirection(bool input);
    int dataDirection(bool &input);

    int pulse(std::uint8_t value, std::uint8_t mask, std::int64_t durationNs, int after, int onBusy,
              std::uint64_t &id);
    int pulseWait(std::uint64_t id, std::int64_t timeoutNs, std::int64_t &tOn, std::int64_t &tOff);

    int watchStart(std::uint32_t pins, std::int64_t intervalNs);
    int watchNext(int &pin, int &level, std::int64_t &tNs, std::int64_t timeoutNs);
    int watchStop();

    int recordStart(const std::string &path);
    int recordStop();

private:
    struct PulseOrder {
        std::uint64_t id;
        std::uint8_t value, mask;
        std::int64_t durationNs;
        int after;
    };
    static constexpr int kUnderWay = 1; // never a status the library gives
    struct PulseResult {
        int status = kUnderWay;
        std::int64_t tOn = 0, tOff = 0;
    };
    struct Edge {
        int pin, level;
        std::int64_t tNs;
    };
    using Lock = std::unique_lock<std::mutex>;

    int openCheck() const; // with the mutex held
    bool readRegister(PortRegister reg, std::uint8_t &value, bool never_wait = false);
    int writeRegister(PortRegister reg, std::uint8_t value, std::int64_t &reachedNs);
    int accessFailed(const char *what);
    void traceRegister(PortRegister reg, std::uint8_t value, std::int64_t atNs);
    bool dataIn() const;
    void stopThreads(Lock &lock);

    void runPulses();
    void runPulse(Lock &lock, const PulseOrder &order);
    bool sleepUntil(Lock &lock, std::int64_t deadlineNs);
    using WatchedLevels = std::array<std::optional<unsigned>, 26>; // by pin number
    void pollPins(const std::vector<const ConnectorPin *> &watched, WatchedLevels &last);
    void runWatch(std::vector<const ConnectorPin *> watched, WatchedLevels last,
                  std::int64_t intervalNs);

    const pid_t m_owner;
    mutable std::mutex m_mutex;
    std::unique_ptr<PortBackend> m_backend; // null once closed
    bool m_dataIn = false;

    std::thread m_pulseThread;
    std::condition_variable m_pulseWake; // a pulse asked for, or the handle closing
    std::condition_variable m_pulseDone;
    std::deque<PulseOrder> m_pulses;
    bool m_pulsing = false;
    bool m_closing = false;
    std::uint64_t m_nextPulse = 1;
    std::map<std::uint64_t, PulseResult> m_results;

    std::thread m_watchThread;
    std::condition_variable m_watchWake; // the watch stopping
    std::condition_variable m_edgeReady;
    bool m_watching = false;
    std::deque<Edge> m_edges;

    std::unique_ptr<VcdTrace> m_trace;
    std::int64_t m_traceStartNs = 0;
};

std::int64_t MonotonicNs();
