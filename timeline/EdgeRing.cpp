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

std::size_t EdgeRing::firstAtOrAfter(std::int64_t t) const
{
    std::size_t low = 0;
    std::size_t high = m_size;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle].t < t)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}
