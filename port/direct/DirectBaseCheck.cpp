#include "DirectBaseCheck.h"

#include "KernelParport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr unsigned kIsaBases[] = {0x378, 0x278, 0x3BC};
constexpr unsigned long kParallelClass = 0x0701; // communication controller, parallel
constexpr unsigned long kIoResource = 0x100;     // IORESOURCE_IO in a resource line's flags

struct IoRegion {
    std::string device; // "0000:05:00.0"
    unsigned long first, last;
};

// Each PCI parallel card's I/O port regions, from sysfs: "class" is 0x0701xx, and each line
// of "resource" is "start end flags" in hexadecimal.
std::vector<IoRegion> pciParallelRegions(const std::string &root)
{
    std::vector<IoRegion> regions;
    std::error_code error;
    for (const auto &device : fs::directory_iterator(root + "/sys/bus/pci/devices", error)) {
        unsigned long deviceClass = 0;
        if (!(std::ifstream(device.path() / "class") >> std::hex >> deviceClass) ||
            deviceClass >> 8 != kParallelClass)
            continue;
        std::ifstream resource(device.path() / "resource");
        unsigned long first = 0, last = 0, flags = 0;
        while (resource >> std::hex >> first >> last >> flags)
            if ((flags & kIoResource) && last > first)
                regions.push_back({device.path().filename().string(), first, last});
    }
    std::sort(regions.begin(), regions.end(),
              [](const IoRegion &a, const IoRegion &b) { return a.device < b.device; });
    return regions;
}

std::string hex(unsigned long address)
{
    return "0x" + HexAddress(static_cast<unsigned>(address));
}

} // namespace

std::string DirectBaseRefusal(const DoctorContext &machine, unsigned base, std::string_view source)
{
    if (std::find(std::begin(kIsaBases), std::end(kIsaBases), base) != std::end(kIsaBases))
        return {};
    std::string known;
    for (const ParallelPort &port : machine.machine.ports) {
        if (port.base == base)
            return {};
        if (port.base)
            known += ", parport" + std::to_string(port.number) + " at " + hex(*port.base);
    }
    for (const IoRegion &region : pciParallelRegions(machine.root)) {
        if (base >= region.first && base + 2 <= region.last)
            return {};
        known += ", the PCI parallel card " + region.device + " at " + hex(region.first) + "-" +
                 hex(region.last);
    }
    return hex(base) + " is not a parallel port's base (" +
           (known.empty() ? "the kernel knows no port and no PCI parallel card is present"
                          : "this machine has" + known.substr(1)) +
           "; ISA ports sit at 0x378, 0x278 or 0x3BC), and raw I/O there would reach another "
           "device's registers; fix: use one of those, or " +
           std::string(source) + "=direct-unchecked:" + hex(base) + " if a port is there";
}
