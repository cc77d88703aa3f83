#include "DirectPortGrant.h"

#include "KernelParport.h"
#include "PortChoice.h"
#include "PortRegister.h"
#include "PrivilegeDrop.h"

#include <cerrno>
#include <cstring>
#include <pthread.h>

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

#if ZELVANE_HAS_PORT_IO
void givePortsBack()
{
    ioperm(kFirstPortBase, 3, 0); // giving up needs no privilege
}

// The I/O permission bitmap survives fork and exec; no program we start may have it.
void revokeInEveryChild()
{
    static const bool registered = pthread_atfork(nullptr, nullptr, givePortsBack) == 0;
    (void)registered;
}
#endif

DirectPortGrant askForPorts(PortChoice choice)
{
    if (choice != PortChoice::Auto && choice != PortChoice::Direct)
        return {false, "not requested"};
#if ZELVANE_HAS_PORT_IO
    if (choice == PortChoice::Auto) {
        // Where the kernel placed the first port elsewhere (PCIe cards), 0x378 is not it.
        const KernelPortBase first = ParportBaseAddress(0);
        if (first.reported && !first.base)
            return {false, "the kernel gives the first port no valid I/O address"};
        if (first.base && *first.base != kFirstPortBase)
            return {false, "the first port is at 0x" + HexAddress(*first.base) + ", not 0x378"};
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

} // namespace

const DirectPortGrant &RequestDirectPortGrant()
{
    const auto choice = ParsePortChoice(PortChoiceFromEnvironment());
    g_grant = askForPorts(choice.value_or(PortChoice::None));
    const std::string dropFailure = DropAllPrivilege();
#if ZELVANE_HAS_PORT_IO
    if (g_grant.granted && !dropFailure.empty()) {
        givePortsBack();
        g_grant = {false, "cannot give up privilege after the grant (" + dropFailure + ")"};
    }
    if (g_grant.granted)
        revokeInEveryChild();
#endif
    return g_grant;
}

const DirectPortGrant &CurrentDirectPortGrant()
{
    return g_grant;
}
