#pragma once

#include "EdgeRing.h"

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

// The connector's levels at one moment: bit p of levels is pin p's (1 = high).
struct PinSample {
    std::int64_t t; // ns, CLOCK_MONOTONIC
    std::uint32_t levels;
};

// A write or read the window made, shown where it happened.
struct TraceMarker {
    enum Kind { Click, StatusRead, ControlRead, DataIn, DataOut } kind;
    std::int64_t t;
    unsigned pin = 0; // Click: the pin clicked
};

// Every signal pin's changes (pins 1 to 17; the grounds never change) and the window's
// markers, each in a bounded ring.
class Trace {
public:
    static constexpr unsigned kSignalPins = 17;
    static constexpr std::size_t kEdgesPerPin = 1u << 16;
    static constexpr std::size_t kMarkers = 4096;

    explicit Trace(std::size_t edgesPerPin = kEdgesPerPin);

    void add(const PinSample &sample);
    void mark(const TraceMarker &marker);

    const EdgeRing &pin(unsigned number) const { return m_pins.at(number - 1); }
    const std::deque<TraceMarker> &markers() const { return m_markers; }
    bool empty() const { return !m_started; }
    std::int64_t start() const { return m_start; }
    std::int64_t newest() const { return m_newest; }
    // Changes lost from all rings together.
    std::uint64_t dropped() const;
    // The level pin held at t; the oldest held level before any change is known.
    std::uint8_t levelAt(unsigned number, std::int64_t t) const;

private:
    std::vector<EdgeRing> m_pins;
    std::deque<TraceMarker> m_markers;
    bool m_started = false;
    std::int64_t m_start = 0;
    std::int64_t m_newest = 0;
};
