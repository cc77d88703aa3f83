// Cost of one output-pin click: toggle, indicator call and port write, simulated port.
#include "BenchTiming.h"
#include "PinPanel.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <memory>

namespace {

class CountingSink final : public IndicatorSink {
public:
    void ShowIndicatorImage(ControlId id, ImageId image) override
    {
        m_last = id + image;
        ++m_calls;
    }
    void EnableIndicatorClicks(ControlId id) override { m_last = id; }
    long calls() const { return m_calls; }

private:
    unsigned m_last = 0;
    long m_calls = 0;
};

} // namespace

int main()
{
    constexpr long kClicks = 10'000'000;
    SetPortOpener([] { return PortOpening{std::make_unique<SimulatedPort>(), {}}; });
    if (!InitializeWinIo())
        return 1;
    CountingSink sink;
    PinLevels levels;
    InitTogglePass(levels, sink);
    const auto &kIds = kClickableControlIds;

    const double perClick =
        nanosecondsPerCall(kClicks, [&](long i) { ClickOutputPin(levels, sink, kIds[i % 12]); });
    const double perRead = nanosecondsPerCall(kClicks / 10, [&](long) { ReadControlPort(sink); });
    ShutdownWinIo();

    std::printf("simulated port, recording sink, best of 5 rounds\n");
    std::printf("ClickOutputPin   %6.2f ns/click (%ld clicks a round, all twelve outputs)\n",
                perClick, kClicks);
    std::printf("ReadControlPort  %6.2f ns/read\n", perRead);
    return sink.calls() > 0 ? 0 : 1;
}
