#include "DirectPortAccess.h"

#include "KernelParport.h"
#include "PortChoice.h"

#include <cerrno>
#include <cstring>
#include <sys/capability.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ZELVANE_HAS_PORT_IO 1
#else
#define ZELVANE_HAS_PORT_IO 0
#endif

namespace {

DirectPortGrant g_grant{false, "not requested"};

std::string systemError(const char *what, int error)
{
    return std::string(what) + ": " + std::strerror(error);
}

DirectPortGrant askForPorts(PortChoice choice)
{
    if (choice != PortChoice::Auto && choice != PortChoice::Direct)
        return {false, "not requested"};
#if ZELVANE_HAS_PORT_IO
    if (choice == PortChoice::Auto) {
        // Where the kernel placed the first port elsewhere (PCIe cards), 0x378 is not it.
        const auto base = FirstParportBaseAddress();
        if (base && *base != kFirstPortBase)
            return {false, "the first port is at 0x" + HexAddress(*base) + ", not 0x378"};
    }
    if (ioperm(kFirstPortBase, 3, 1) != 0) {
        if (errno == EPERM) // no CAP_SYS_RAWIO, or kernel lockdown under Secure Boot
            return {false, "ioperm 0x378-0x37A: permission denied (needs root or CAP_SYS_RAWIO; "
                           "under Secure Boot use ppdev)"};
        return {false, systemError("ioperm 0x378-0x37A", errno)};
    }
    return {true, {}};
#else
    return {false, "direct I/O exists only on x86"};
#endif
}

void dropAllCapabilities()
{
    cap_t none = cap_init();
    if (none) {
        cap_set_proc(none);
        cap_free(none);
    }
}

} // namespace

const DirectPortGrant &RequestDirectPortGrant()
{
    const auto choice = ParsePortChoice(PortChoiceFromEnvironment());
    g_grant = askForPorts(choice.value_or(PortChoice::None));
    dropAllCapabilities();
    return g_grant;
}

const DirectPortGrant &CurrentDirectPortGrant()
{
    return g_grant;
}

#if ZELVANE_HAS_PORT_IO
bool DirectPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    value = inb(static_cast<unsigned short>(reg));
    return true;
}

bool DirectPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    outb(value, static_cast<unsigned short>(reg));
    return true;
}
#else
bool DirectPort::readRegister(PortRegister, std::uint8_t &) { return false; }
bool DirectPort::writeRegister(PortRegister, std::uint8_t) { return false; }
#endif
