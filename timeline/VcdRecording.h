#pragma once

#include "Trace.h"
#include "VcdTrace.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The timeline's samples as a trace of the signal pins, one wire each under its label,
// stamped in microseconds from the first sample.
class VcdRecording {
public:
    // first: the levels at #0, and the trace clock's origin. An existing file is kept: null,
    // with error set, when the file cannot be created.
    static std::unique_ptr<VcdRecording> create(const std::string &path, const PinSample &first,
                                                std::chrono::system_clock::time_point created,
                                                std::string &error);

    // Samples no earlier than the last one; only changed pins are written.
    void add(const PinSample &sample);
    // The last stamp, so that viewers show the whole length; false with error set when
    // anything failed to reach the file.
    bool finish(std::int64_t end, std::string &error);

private:
    VcdRecording(std::unique_ptr<VcdTrace> trace, std::int64_t origin);
    Microseconds since(std::int64_t t) const;

    std::unique_ptr<VcdTrace> m_trace;
    std::int64_t m_origin;
    std::vector<unsigned> m_levels; // reused for each sample
};
