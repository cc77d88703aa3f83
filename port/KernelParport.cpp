#include "KernelParport.h"

#include <cstdio>
#include <fstream>

namespace {

std::string portDirectory(unsigned portNumber, const std::string &procRoot)
{
    return procRoot + "/parport" + std::to_string(portNumber);
}

} // namespace

KernelPortBase ParportBaseAddress(unsigned portNumber, const std::string &procRoot)
{
    std::ifstream in(portDirectory(portNumber, procRoot) + "/base-addr");
    if (!in)
        return {};
    KernelPortBase reading{true, std::nullopt};
    long long base = -1; // the file holds "base<TAB>base-hi", decimal
    if (in >> base && base >= 0 && base <= 0xFFFF)
        reading.base = static_cast<unsigned>(base);
    return reading;
}

std::optional<std::string> ParportHolder(unsigned portNumber, const std::string &procRoot)
{
    std::ifstream in(portDirectory(portNumber, procRoot) + "/devices/active");
    std::string holder;
    if (!std::getline(in, holder))
        return std::nullopt;
    return holder;
}

std::string HexAddress(unsigned address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", address);
    return text;
}
