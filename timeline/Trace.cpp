#include "Trace.h"

#include <algorithm>

Trace::Trace(std::size_t edgesPerPin) : m_pins(kSignalPins, EdgeRing(edgesPerPin))
{
}

void Trace::add(const PinSample &sample)
{
    if (!m_started) {
        m_started = true;
        m_start = sample.t;
    }
    m_newest = std::max(m_newest, sample.t);
    for (unsigned number = 1; number <= kSignalPins; ++number)
        m_pins[number - 1].push(sample.t, (sample.levels >> number) & 1u);
}

void Trace::mark(const TraceMarker &marker)
{
    if (m_markers.size() == kMarkers)
        m_markers.pop_front();
    m_markers.push_back(marker);
}

std::uint64_t Trace::dropped() const
{
    std::uint64_t total = 0;
    for (const EdgeRing &ring : m_pins)
        total += ring.dropped();
    return total;
}

std::uint8_t Trace::levelAt(unsigned number, std::int64_t t) const
{
    const EdgeRing &ring = pin(number);
    if (ring.empty())
        return 0;
    const std::size_t after = ring.firstAtOrAfter(t + 1);
    return ring[after == 0 ? 0 : after - 1].level;
}
