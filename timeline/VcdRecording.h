#pragma once

#include "Trace.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// A Value Change Dump of the signal pins as sigrok and GTKWave read it: one scalar wire per
// pin under its label, microsecond stamps from #0, each change written as it comes, so that
// memory does not grow with the recording's length.
class VcdRecording {
public:
    // first: the levels at #0, and the trace clock's origin. Null, with error set, when the
    // file cannot be created.
    static std::unique_ptr<VcdRecording> create(const std::string &path, const PinSample &first,
                                                std::chrono::system_clock::time_point created,
                                                std::string &error);
    ~VcdRecording();

    // Samples no earlier than the last one; only changed pins are written.
    void add(const PinSample &sample);
    // The last stamp, so that viewers show the whole length; false with error set when
    // anything failed to reach the file.
    bool finish(std::int64_t end, std::string &error);

    const std::string &path() const { return m_path; }

private:
    VcdRecording(std::string path, std::FILE *file, const PinSample &first);
    void stamp(std::int64_t t);

    std::string m_path;
    std::FILE *m_file;
    std::int64_t m_origin;
    std::uint32_t m_levels;
    long long m_lastStamp = 0;
};
