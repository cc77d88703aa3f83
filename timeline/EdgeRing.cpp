#include "EdgeRing.h"

#include <algorithm>

EdgeRing::EdgeRing(std::size_t capacity) : m_capacity(std::max<std::size_t>(capacity, 1))
{
}

void EdgeRing::push(std::int64_t t, std::uint8_t level)
{
    level &= 1u;
    if (m_size > 0 && newest().level == level)
        return;
    if (m_edges.size() < m_capacity) {
        m_edges.push_back({t, level});
        ++m_size;
        return;
    }
    if (m_size < m_capacity) {
        m_edges[(m_head + m_size) % m_capacity] = {t, level};
        ++m_size;
        return;
    }
    m_edges[m_head] = {t, level};
    m_head = (m_head + 1) % m_capacity;
    ++m_dropped;
}

std::size_t EdgeRing::firstAtOrAfterFrom(std::int64_t t, std::size_t from) const
{
    if (from >= m_size || (*this)[from].t >= t)
        return std::min(from, m_size);
    std::size_t step = 1; // (*this)[from].t < t holds throughout
    while (from + step < m_size && (*this)[from + step].t < t) {
        from += step;
        step *= 2;
    }
    return firstAtOrAfter(t, from + 1, std::min(from + step, m_size));
}

std::size_t EdgeRing::firstAtOrAfter(std::int64_t t, std::size_t low, std::size_t high) const
{
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle].t < t)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}
