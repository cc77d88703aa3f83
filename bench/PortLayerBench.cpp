// Cost of the driver operations over the simulated port, against the port alone; and of
// a shared simulated port's accesses (a mapped file), against a private one's.
#include "BenchTiming.h"
#include "SharedSimFile.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

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

    char runtime[] = "/tmp/zelvane-bench-XXXXXX";
    if (!mkdtemp(runtime))
        return 1;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    std::string why;
    auto file = SharedSimFile::open("bench", why);
    if (!file) {
        std::printf("no shared simulated port: %s\n", why.c_str());
        return 1;
    }
    SimulatedPort sharedSim(std::move(file));
    PortBackend *sharedBackend = &sharedSim;
    keep(sharedBackend);
    const double setShared = nanosecondsPerCall(kCalls, [&](long i) {
        sharedBackend->writeRegister(PortRegister::Data, static_cast<std::uint8_t>(i));
    });
    const double getShared = nanosecondsPerCall(kCalls, [&](long) {
        sharedBackend->readRegister(PortRegister::Status, byte);
        keep(byte);
    });
    const std::string remove = std::string("rm -rf '") + runtime + "'";
    if (std::system(remove.c_str()) != 0)
        return 1;

    std::printf("simulated port, %ld calls, best of 5 rounds\n", kCalls);
    std::printf("SetPortVal  %6.2f ns/call   backend alone %6.2f ns/call   added %+.2f ns\n",
                setLayer, setAlone, setLayer - setAlone);
    std::printf("GetPortVal  %6.2f ns/call   backend alone %6.2f ns/call   added %+.2f ns\n",
                getLayer, getAlone, getLayer - getAlone);
    std::printf("shared simulated port against a private one, backend alone\n");
    std::printf("write data  %6.2f ns/call   private %6.2f ns/call   %.2fx\n", setShared, setAlone,
                setShared / setAlone);
    std::printf("read status %6.2f ns/call   private %6.2f ns/call   %.2fx\n", getShared, getAlone,
                getShared / getAlone);
    return 0;
}
