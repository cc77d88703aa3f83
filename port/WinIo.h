#pragma once

#include "PortBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The port driver's four operations. Only 0x378, 0x379 and 0x37A with size 1 (and, for a
// write, a value that fits in the byte) are accepted; anything else returns false and
// touches nothing. Before a successful opening, after a
// failed one and after shutdown, calls return false with no effect on any port.

// What GetPortVal stores when the port could not be read: an unpopulated bus reads all ones.
constexpr std::uint32_t kUnreadablePortValue = 0xFF;

bool InitializeWinIo();
void ShutdownWinIo();
bool GetPortVal(unsigned portAddress, std::uint32_t *value, unsigned size);
bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size);

// Why the last InitializeWinIo failed, one line per method tried; empty after a success.
const std::vector<std::string> &PortRefusals();
// Which backend is open, or empty.
std::string OpenPortDescription();

// Seam for tests and tools: replaces how InitializeWinIo opens a backend.
// Null restores the normal opening from ZELVANE_PORT.
using PortBackendOpener = std::function<std::unique_ptr<PortBackend>()>;
void SetPortBackendOpener(PortBackendOpener opener);

// Told once, with the reason, when the open port goes away (a ppdev port whose driver was
// unbound); the port counts as closed from then on.
using PortLossHandler = std::function<void(const std::string &reason)>;
void SetPortLossHandler(PortLossHandler handler);
