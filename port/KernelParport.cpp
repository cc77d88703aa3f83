#include "KernelParport.h"

#include <cstdio>
#include <fstream>

std::optional<unsigned> FirstParportBaseAddress(const char *path)
{
    std::ifstream in(path);
    long long base = -1; // the file holds "base<TAB>base-hi", decimal
    if (!(in >> base) || base < 0)
        return std::nullopt;
    return static_cast<unsigned>(base);
}

std::string HexAddress(unsigned address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", address);
    return text;
}
