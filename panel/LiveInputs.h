#pragma once

#include "IndicatorSink.h"

#include <algorithm>
#include <cstdint>

// Live inputs: one read of the status register, nothing written, and never a wait for the
// port. Only the status indicators whose level differs from what they show are changed, in
// the status read's order. shownFlags holds what they show (DecodeStatus's layout) and is
// brought up to date. A poll whose read failed changes nothing and returns false.
bool PollStatusPort(IndicatorSink &sink, std::uint8_t &shownFlags);

// How long to wait before the next poll: the base interval while polls succeed, doubled after
// each failed one (another program is using the port, say) up to kLongestPollInterval.
class LivePollPace {
public:
    static constexpr int kPollInterval = 50;         // ms
    static constexpr int kLongestPollInterval = 800; // ms

    int next(bool polled)
    {
        m_interval = polled ? kPollInterval : std::min(m_interval * 2, kLongestPollInterval);
        return m_interval;
    }

private:
    int m_interval = kPollInterval;
};
