#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the kernel's parport driver says about its ports through procfs, where it is loaded.
inline const std::string kParportProcRoot = "/proc/sys/dev/parport";

// The port's I/O base, where the kernel gives one in 0..0xFFFF.
std::optional<unsigned> ParportBaseAddress(unsigned portNumber,
                                           const std::string &procRoot = kParportProcRoot);

// The device that holds the port now, "none" when it is free; nullopt when the kernel does
// not say (no such port any more, or no procfs).
std::optional<std::string> ParportHolder(unsigned portNumber,
                                         const std::string &procRoot = kParportProcRoot);

std::string HexAddress(unsigned address);
// "0x0F": a register's byte as users read it.
std::string HexByte(std::uint8_t value);
