#include "SampleQueue.h"

void SampleQueue::append(const PinSample &sample)
{
    if (m_any && sample.levels == m_lastLevels)
        return;
    m_any = true;
    m_lastLevels = sample.levels;
    if (m_pending.samples.size() >= kCapacity) {
        ++m_pending.lost;
        return;
    }
    m_pending.samples.push_back(sample);
}

void SampleQueue::sampled(const PinSample &sample)
{
    const std::lock_guard lock(m_mutex);
    if (m_batchCount++ == 0)
        m_batchFirst = sample.t;
    m_batchLast = sample.t;
    m_pending.sampledUpTo = sample.t;
    append(sample);
}

void SampleQueue::marked(const TraceMarker &marker, const PinSample &after)
{
    const std::lock_guard lock(m_mutex);
    if (m_pending.markers.size() < kCapacity)
        m_pending.markers.push_back(marker);
    m_pending.sampledUpTo = std::max(m_pending.sampledUpTo, after.t);
    append(after);
}

SampleQueue::Taken SampleQueue::take()
{
    const std::lock_guard lock(m_mutex);
    if (m_batchCount >= 2)
        m_pending.achievedInterval =
            (m_batchLast - m_batchFirst) / static_cast<std::int64_t>(m_batchCount - 1);
    if (m_batchCount > 0) {
        m_batchFirst = m_batchLast;
        m_batchCount = 1;
    }
    Taken taken = std::move(m_pending);
    m_pending = Taken{};
    m_pending.achievedInterval = taken.achievedInterval;
    m_pending.sampledUpTo = taken.sampledUpTo;
    return taken;
}
