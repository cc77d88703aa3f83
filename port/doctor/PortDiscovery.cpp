#include "PortDiscovery.h"

#include "KernelParport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string firstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool exists(const fs::path &path)
{
    std::error_code ignored;
    return fs::exists(path, ignored);
}

// "parport3" -> 3
std::optional<unsigned> numberAfter(const std::string &name, const std::string &prefix)
{
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size())
        return std::nullopt;
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<unsigned>(std::stoul(digits));
}

ParallelPort readPort(const std::string &root, const fs::path &directory, unsigned number)
{
    ParallelPort port;
    port.number = number;
    const std::string node = "/dev/parport" + std::to_string(number);
    if (exists(root + node))
        port.node = node;
    port.base = ParportBaseAddress(number, root + kParportProcRoot);
    port.modes = firstLine(directory / "modes");
    port.holder = ParportHolder(number, root + kParportProcRoot).value_or("");
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(directory / "devices", error))
        if (entry.is_directory())
            port.devices.push_back(entry.path().filename().string());
    std::sort(port.devices.begin(), port.devices.end());
    return port;
}

// The file lists the modes with the one in force in brackets: "none [integrity] confidentiality".
bool lockdownActive(const std::string &root)
{
    const std::string modes = firstLine(root + "/sys/kernel/security/lockdown");
    return modes.find('[') != std::string::npos && modes.find("[none]") == std::string::npos;
}

} // namespace

MachinePorts DiscoverPorts(const std::string &root)
{
    MachinePorts machine;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(root + kParportProcRoot, error))
        if (const auto number = numberAfter(entry.path().filename().string(), "parport"))
            machine.ports.push_back(readPort(root, entry.path(), *number));
    std::sort(machine.ports.begin(), machine.ports.end(),
              [](const ParallelPort &a, const ParallelPort &b) { return a.number < b.number; });
    for (const auto &entry : fs::directory_iterator(root + "/sys/class/usbmisc", error))
        if (const auto number = numberAfter(entry.path().filename().string(), "lp"))
            machine.usbPrinters.push_back({"/dev/usb/lp" + std::to_string(*number)});
    machine.parportLoaded = exists(root + "/sys/module/parport");
    machine.ppdevLoaded = exists(root + "/sys/module/ppdev");
    machine.lpLoaded = exists(root + "/sys/module/lp");
    machine.loadableModules = exists(root + "/proc/modules");
    machine.lockdown = lockdownActive(root);
    return machine;
}

const ParallelPort *FindPort(const MachinePorts &machine, unsigned number)
{
    for (const ParallelPort &port : machine.ports)
        if (port.number == number)
            return &port;
    return nullptr;
}
