#include "KernelParport.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

std::string portDirectory(unsigned portNumber, const std::string &procRoot)
{
    return procRoot + "/parport" + std::to_string(portNumber);
}

} // namespace

std::optional<unsigned> ParportBaseAddress(unsigned portNumber, const std::string &procRoot)
{
    std::ifstream in(portDirectory(portNumber, procRoot) + "/base-addr");
    long long base = -1; // the file holds "base<TAB>base-hi", decimal
    if (!(in >> base) || base < 0 || base > 0xFFFF)
        return std::nullopt;
    return static_cast<unsigned>(base);
}

std::optional<std::string> ParportHolder(unsigned portNumber, const std::string &procRoot)
{
    const std::string path = portDirectory(portNumber, procRoot) + "/devices/active";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char text[64];
    const ssize_t length = read(fd, text, sizeof text);
    close(fd);
    if (length <= 0)
        return std::nullopt;
    std::string holder(text, static_cast<std::size_t>(length));
    return holder.substr(0, holder.find('\n'));
}

std::string HexAddress(unsigned address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", address);
    return text;
}

std::string HexByte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}
