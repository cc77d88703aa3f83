#include "LoopbackJudge.h"

#include <algorithm>

const std::vector<std::uint8_t> &LoopbackPatterns()
{
    // All low, all high, then each line alone high and alone low: no two lines share a
    // column, so a crossed wire shows which line it carries.
    static const std::vector<std::uint8_t> patterns{0x00, 0x1F, 0x01, 0x02, 0x04, 0x08,
                                                    0x10, 0x1E, 0x1D, 0x1B, 0x17, 0x0F};
    return patterns;
}

std::vector<WireVerdict> JudgeLoopbackWires(const std::vector<LoopbackSample> &samples)
{
    auto column = [&](auto bitOf) {
        std::vector<unsigned> bits;
        for (const LoopbackSample &sample : samples)
            bits.push_back(bitOf(sample));
        return bits;
    };
    std::vector<WireVerdict> verdicts;
    for (unsigned wire = 0; wire < 5; ++wire) {
        WireVerdict verdict{"D" + std::to_string(wire) + "->S" + std::to_string(wire + 3), "open"};
        const auto seen =
            column([&](const LoopbackSample &s) { return (s.statusLevels >> wire) & 1u; });
        const auto line = [&](unsigned d) {
            return column([&](const LoopbackSample &s) { return (s.data >> d) & 1u; });
        };
        bool held = false; // the data line itself reads high where it was written low
        for (const LoopbackSample &sample : samples)
            held |= !((sample.data >> wire) & 1u) && ((sample.dataReadBack >> wire) & 1u);
        const bool allLow =
            std::all_of(seen.begin(), seen.end(), [](unsigned b) { return b == 0; });
        const bool allHigh =
            std::all_of(seen.begin(), seen.end(), [](unsigned b) { return b == 1; });
        if (seen == line(wire))
            verdict.result = "ok";
        else if (allLow)
            verdict.result = "stuck low";
        else if (allHigh)
            verdict.result = held ? "stuck high" : "open"; // an open input floats high
        else
            for (unsigned other = 0; other < 5; ++other)
                if (other != wire && seen == line(other))
                    verdict.result = "crossed with D" + std::to_string(other);
        verdicts.push_back(verdict);
    }
    return verdicts;
}
