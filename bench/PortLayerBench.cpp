// Cost of the driver operations over the simulated port, against the port alone.
#include "BenchTiming.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <memory>

int main()
{
    constexpr long kCalls = 20'000'000;
    auto *shared = new SimulatedPort;
    SetPortOpener([shared] { return PortOpening{std::unique_ptr<PortBackend>(shared), {}}; });
    if (!InitializeWinIo())
        return 1;
    SimulatedPort alone;
    // Reach the port through a base pointer, as the layer does, so both pay the same dispatch.
    PortBackend *aloneBackend = &alone;
    keep(aloneBackend);

    const double setLayer = nanosecondsPerCall(
        kCalls, [](long i) { SetPortVal(0x378, static_cast<std::uint32_t>(i & 0xFF), 1); });
    const double setAlone = nanosecondsPerCall(kCalls, [&](long i) {
        aloneBackend->writeRegister(PortRegister::Data, static_cast<std::uint8_t>(i));
    });
    std::uint32_t word = 0;
    const double getLayer = nanosecondsPerCall(kCalls, [&](long) {
        GetPortVal(0x379, &word, 1);
        keep(word);
    });
    std::uint8_t byte = 0;
    const double getAlone = nanosecondsPerCall(kCalls, [&](long) {
        aloneBackend->readRegister(PortRegister::Status, byte);
        keep(byte);
    });
    ShutdownWinIo();

    std::printf("simulated port, %ld calls, best of 5 rounds\n", kCalls);
    std::printf("SetPortVal  %6.2f ns/call   backend alone %6.2f ns/call   added %+.2f ns\n",
                setLayer, setAlone, setLayer - setAlone);
    std::printf("GetPortVal  %6.2f ns/call   backend alone %6.2f ns/call   added %+.2f ns\n",
                getLayer, getAlone, getLayer - getAlone);
    return 0;
}
