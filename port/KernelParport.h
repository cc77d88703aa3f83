#pragma once

#include <optional>
#include <string>

// What the kernel's parport driver says about the first port, if it is loaded.
std::optional<unsigned> FirstParportBaseAddress(
    const char *path = "/proc/sys/dev/parport/parport0/base-addr");

std::string HexAddress(unsigned address);
