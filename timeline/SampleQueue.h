#pragma once

#include "Trace.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

// Hands samples and markers from the port thread to the window. The port thread only
// appends what changed; the window takes all of it once a frame. Bounded, so that a window
// that stops taking cannot make the port thread's memory grow: what does not fit is counted.
class SampleQueue {
public:
    static constexpr std::size_t kCapacity = 1u << 16;

    struct Taken {
        std::vector<PinSample> samples;
        std::vector<TraceMarker> markers;
        std::uint64_t lost = 0;
        std::int64_t achievedInterval = 0; // ns, mean since the last take; 0 if not known
        std::int64_t sampledUpTo = 0;      // the latest sample's time, changed or not
    };

    // A sample equal in levels to the one before it only moves sampledUpTo on.
    void sampled(const PinSample &sample);
    void marked(const TraceMarker &marker, const PinSample &after);
    Taken take();

private:
    void append(const PinSample &sample);

    std::mutex m_mutex;
    Taken m_pending;
    bool m_any = false;
    std::uint32_t m_lastLevels = 0;
    std::int64_t m_batchFirst = 0; // the samples since the last take, for their mean interval
    std::int64_t m_batchLast = 0;
    std::uint64_t m_batchCount = 0;
};
