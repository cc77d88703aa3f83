#pragma once

#include "PortOpening.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The port driver's four operations. Only 0x378, 0x379 and 0x37A with size 1 (and, for a
// write, a value that fits in the byte) are accepted; anything else returns false and
// touches nothing. The backend maps them onto the chosen port's registers. Before a
// successful opening, after a failed one and after shutdown, calls return false with no
// effect on any port.

// What GetPortVal stores when the port could not be read: an unpopulated bus reads all ones.
constexpr std::uint32_t kUnreadablePortValue = 0xFF;

bool InitializeWinIo();
void ShutdownWinIo();
bool GetPortVal(unsigned portAddress, std::uint32_t *value, unsigned size);
bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size);
// GetPortVal for polls that must never stall: where the port cannot be had at once (another
// copy has it, another program uses it), it fails at once and leaves the word alone.
bool GetPortValNow(unsigned portAddress, std::uint32_t *value, unsigned size);

// Why the last InitializeWinIo failed, one line per method tried; empty after a success.
const std::vector<std::string> &PortRefusals();
// Which backend is open, or empty.
std::string OpenPortDescription();
// The kernel's parportN behind the open backend, where there is one.
std::optional<unsigned> OpenKernelPortNumber();
// How many accesses so far did not reach the port (refused, failed, or with no port open):
// what a caller compares across an operation whose accesses report nothing.
std::uint64_t UnreachedPortAccesses();

// How InitializeWinIo opens a backend: by default from the selected port choice
// (ZELVANE_PORT); tests and tools put their own. Null restores the default.
using PortOpener = std::function<PortOpening()>;
void SetPortOpener(PortOpener opener);

// Told, once each, what the user should hear about an access: the port went away (it counts
// as closed from then on), or another program held it.
using PortNoticeHandler = std::function<void(const PortNotice &notice)>;
void SetPortNoticeHandler(PortNoticeHandler handler);

// The data lines' direction, beside the four operations (which stay as they are): Out at
// every opening (but a shared simulated port's, which keeps what was left), In only on a port able
// to; put back to Out when the port closes unless KeepDataDirectionAtClose was called. With no port
// open, nothing is able.
DirectionAbility DataDirectionAbility();
bool SetDataDirection(DataDirection direction);
DataDirection CurrentDataDirection();
void KeepDataDirectionAtClose();

// On a shared port (ppdev), HoldPort claims it for a sequence of accesses that no other
// program's may interleave, with no wait in between; ReservePort keeps only other copies of
// ours off it, so that a wait may come between two accesses (a pulse) without leaving another
// program asleep in the kernel's claim. LetGoOfPort gives back either. Elsewhere no-ops. False,
// with a notice, when the port could not be had.
bool HoldPort();
bool ReservePort();
// HoldPort for reads that must never stall, as GetPortValNow: false at once where the port
// cannot be had at once.
bool HoldPortNow();
void LetGoOfPort();
