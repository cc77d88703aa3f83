#include "GuestSamplingBench.h"

#include "ConnectorSampler.h"
#include "PortChoice.h"
#include "SampleQueue.h"
#include "WinIo.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <sys/resource.h>

namespace {

struct SamplingCost {
    double cpuPercent = -1;      // of one core, the sampling thread's
    double intervalUs = -1;      // achieved, the mean
    std::uint64_t unreached = 0; // accesses that did not reach the port
};

double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A sample a millisecond for 3 s, asleep between them on a condition's deadline as the port
// thread is, into the queue a window would take from every 50 ms.
SamplingCost samplingCost(const char *port, const std::function<PinSample()> &sample)
{
    SelectPortChoice(ParsePortChoice(port));
    if (!InitializeWinIo())
        return {};
    constexpr int kSamples = 3000;
    SampleQueue queue;
    std::mutex mutex;
    std::condition_variable never;
    std::unique_lock lock(mutex);
    double intervalSum = 0;
    int takes = 0;
    const std::uint64_t unreachedBefore = UnreachedPortAccesses();
    const double cpuBefore = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    auto due = start;
    for (int i = 1; i <= kSamples; ++i) {
        due += std::chrono::milliseconds(1);
        never.wait_until(lock, due, [] { return false; });
        queue.sampled(sample());
        if (i % 50 == 0) {
            intervalSum += double(queue.take().achievedInterval);
            ++takes;
        }
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const double cpu = threadCpuSeconds() - cpuBefore;
    const std::uint64_t unreached = UnreachedPortAccesses() - unreachedBefore;
    ShutdownWinIo();
    return {cpu / wall.count() * 100, intervalSum / takes / 1000, unreached};
}

} // namespace

int runSamplingBench()
{
    ConnectorSampler sampler;
    const auto sampled = [&sampler] { return sampler.sample(0); };
    // The same two registers with a claim each, as a sample cost before it was one hold.
    const auto claimedEach = [] {
        std::uint32_t word = 0;
        GetPortValNow(0x379, &word, 1);
        GetPortValNow(0x37A, &word, 1);
        return PinSample{};
    };
    const SamplingCost sim = samplingCost("sim", sampled);
    const SamplingCost ppdev = samplingCost("ppdev", sampled);
    const SamplingCost ppdevEach = samplingCost("ppdev", claimedEach);
    if (sim.cpuPercent < 0 || ppdev.cpuPercent < 0 || ppdevEach.cpuPercent < 0)
        return 1;
    std::printf("BENCH timeline sampling every 1 ms for 3 s, the sampling thread: simulated "
                "port %.2f %% of a core (interval %.0f us); ppdev %.2f %% (interval %.0f us, "
                "%llu accesses failed), with a claim per register instead of one a sample "
                "%.2f %% (%llu failed) (QEMU TCG)\n",
                sim.cpuPercent, sim.intervalUs, ppdev.cpuPercent, ppdev.intervalUs,
                static_cast<unsigned long long>(ppdev.unreached), ppdevEach.cpuPercent,
                static_cast<unsigned long long>(ppdevEach.unreached));
    return 0;
}
