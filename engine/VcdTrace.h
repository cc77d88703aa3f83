#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct ConnectorPin;

using Microseconds = std::chrono::microseconds;

// An IEEE 1364 Value Change Dump of some pins as sigrok and GTKWave read it, written as it
// goes (its memory does not grow with its length, and each change reaches the file at once):
// one scalar wire per pin under its name, each at a known level from #0 on, and no $comment
// in the body, as sigrok skips the rest of a chunk after one.
class VcdTrace {
public:
    struct Header {
        std::string program;                           // on the $version line
        std::chrono::system_clock::time_point created; // the $date, in ISO 8601 UTC
        bool replace = true; // false: an existing file is kept and the trace refused
    };

    // levels: each pin's at #0. Null, with error set, when the file cannot be created.
    static std::unique_ptr<VcdTrace> create(const std::string &path,
                                            const std::vector<const ConnectorPin *> &pins,
                                            const std::vector<unsigned> &levels,
                                            const Header &header, std::string &error);
    ~VcdTrace();

    // at: since the trace began; never earlier than the last change's. A change in the first
    // microsecond is stamped #1, so that a viewer shows it as an edge after the levels at #0;
    // a wire's second change within one microsecond a microsecond on, so that none is lost.
    void change(const ConnectorPin &pin, unsigned level, Microseconds at);
    // Every pin's level at one moment, in the order the trace was created with: the changed
    // ones under one stamp.
    void change(const std::vector<unsigned> &levels, Microseconds at);

    // The last time stamp, so that viewers show the whole length; false with error set when
    // anything failed to reach the file.
    bool finish(Microseconds end, std::string &error);

private:
    VcdTrace(std::string path, std::FILE *file, std::vector<const ConnectorPin *> pins,
             const std::vector<unsigned> &levels);
    long long timeFor(std::size_t index, Microseconds at) const;
    void stampTime(long long time);
    void write(std::size_t index, unsigned level);

    std::string m_path;
    std::FILE *m_file;
    std::vector<const ConnectorPin *> m_pins;
    std::vector<unsigned> m_levels;
    std::vector<long long> m_changedAt; // each wire's last change's stamp
    long long m_lastTime = 0;           // the header stamps #0
};
