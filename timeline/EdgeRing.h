#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One pin's level changes, newest last, in a ring of fixed capacity: when it is full the
// oldest change goes, and is counted, so that memory stays bounded however long the pin is
// watched.
struct Edge {
    std::int64_t t; // ns, on the trace's clock
    std::uint8_t level;
};

class EdgeRing {
public:
    explicit EdgeRing(std::size_t capacity);

    // A level equal to the newest held is no change and is not kept.
    void push(std::int64_t t, std::uint8_t level);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::size_t capacity() const { return m_capacity; }
    // 0 is the oldest held.
    const Edge &operator[](std::size_t index) const
    {
        const std::size_t at = m_head + index; // no division: drawing calls this most
        return m_edges[at < m_capacity ? at : at - m_capacity];
    }
    const Edge &newest() const { return (*this)[m_size - 1]; }
    std::uint64_t dropped() const { return m_dropped; }

    // The index of the first change at or after t (size() if none); with from, one known to
    // be no later, found in steps that grow from there (a frame walks forward column by column).
    std::size_t firstAtOrAfter(std::int64_t t) const { return firstAtOrAfter(t, 0, m_size); }
    std::size_t firstAtOrAfterFrom(std::int64_t t, std::size_t from) const;

private:
    std::size_t firstAtOrAfter(std::int64_t t, std::size_t low, std::size_t high) const;

    std::size_t m_capacity;
    std::vector<Edge> m_edges; // grows to the capacity, then is reused
    std::size_t m_head = 0;
    std::size_t m_size = 0;
    std::uint64_t m_dropped = 0;
};
