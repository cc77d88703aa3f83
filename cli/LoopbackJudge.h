#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The standard loopback plug wires D0->S3, D1->S4, D2->S5, D3->S6 and D4->S7. After each
// data pattern the plug is read back; from all the readings each wire is judged ok, stuck
// high, stuck low, open, or crossed with another data line.
struct LoopbackSample {
    std::uint8_t data;         // written
    std::uint8_t dataReadBack; // the data register read back (the pins, on most ports)
    std::uint8_t statusLevels; // bit n = level of S(n+3)
};

struct WireVerdict {
    std::string wire;   // "D0->S3"
    std::string result; // "ok", "stuck high", "stuck low", "open", "crossed with D2"
    bool ok() const { return result == "ok"; }
};

const std::vector<std::uint8_t> &LoopbackPatterns();
std::vector<WireVerdict> JudgeLoopbackWires(const std::vector<LoopbackSample> &samples);
