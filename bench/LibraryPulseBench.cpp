// libzelvane's pulses on a port (sim by default): how long zelvane_pulse takes to return, how
// far each pulse's reported width is from the one asked for, and what a write costs, which
// bounds how far a reported time can be from its write (the time is read as the write returns).
#include "zelvane.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Spread {
    double median, p99, worst;
};

Spread spreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
    };
    return {at(0.5), at(0.99), values.back()};
}

} // namespace

int main(int argc, char **argv)
{
    zelvane *port = nullptr;
    const char *name = argc > 1 ? argv[1] : "sim";
    if (zelvane_open(name, &port) != ZELVANE_OK) {
        std::fprintf(stderr, "%s\n%s\n", zelvane_error_cause(), zelvane_error_fix());
        return 1;
    }
    constexpr int kPerLength = 100;
    std::vector<double> returns, errors;
    for (int ms = 1; ms <= 10; ++ms)
        for (int n = 0; n < kPerLength; ++n) {
            uint64_t id = 0;
            int64_t on = 0, off = 0;
            const int64_t asked = zelvane_now_ns();
            if (zelvane_pulse(port, 0xFF, 0xFF, ms * 1000000LL, 0, ZELVANE_BUSY_RAISE, &id) !=
                ZELVANE_OK)
                return std::fprintf(stderr, "pulse: %s\n", zelvane_error_cause()), 1;
            returns.push_back(static_cast<double>(zelvane_now_ns() - asked) / 1000);
            if (zelvane_pulse_wait(port, id, -1, &on, &off) != ZELVANE_OK)
                return std::fprintf(stderr, "wait: %s\n", zelvane_error_cause()), 1;
            errors.push_back(static_cast<double>(off - on - ms * 1000000LL) / 1000);
        }
    std::vector<double> writes;
    for (int n = 0; n < 10000; ++n) {
        const int64_t before = zelvane_now_ns();
        zelvane_write(port, ZELVANE_DATA, static_cast<unsigned>(n & 0xFF));
        writes.push_back(static_cast<double>(zelvane_now_ns() - before) / 1000);
    }
    const Spread r = spreadOf(returns), e = spreadOf(errors), w = spreadOf(writes);
    std::printf("port: %s, %d pulses of each length 1-10 ms\n", name, kPerLength);
    std::printf("zelvane_pulse returns in   median %.2f us, p99 %.2f us, worst %.2f us\n", r.median,
                r.p99, r.worst);
    std::printf("width error (reported)     median %.2f us, p99 %.2f us, worst %.2f us\n", e.median,
                e.p99, e.worst);
    std::printf("a write (stamp after it)   median %.2f us, p99 %.2f us, worst %.2f us\n", w.median,
                w.p99, w.worst);
    return zelvane_close(port) != ZELVANE_OK;
}
