#include "DirectPortGrant.h"

#include "DirectBaseCheck.h"
#include "KernelParport.h"
#include "PortDoctor.h"
#include "PrivilegeDrop.h"

#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ZELVANE_HAS_PORT_IO 1
#else
#define ZELVANE_HAS_PORT_IO 0
#endif

namespace {

DirectPortGrant g_grant{false, kFirstPortBase, false, "not requested", {}};

#if ZELVANE_HAS_PORT_IO
unsigned g_grantedBase = kFirstPortBase; // for the fork handler, which takes no argument

void givePortsBack()
{
    ioperm(g_grantedBase, 3, 0); // giving up needs no privilege
}

// The I/O permission bitmap survives fork and exec; no program we start may have it. 0 or
// the error of the registration, which the program must not run without.
int revokeInEveryChild()
{
    static const int error = pthread_atfork(nullptr, nullptr, givePortsBack);
    return error;
}

std::string range(unsigned base)
{
    return "ioperm 0x" + HexAddress(base) + "-0x" + HexAddress(base + 2);
}

DirectPortGrant askFor(unsigned base, bool probe, const DoctorContext &machine)
{
    if (ioperm(base, 3, 1) == 0)
        return {true, base, probe, {}};
    const int error = errno;
    std::string refusal =
        range(base) + ": " +
        (error == EPERM ? std::string("permission denied") : std::strerror(error));
    const std::string why = DiagnoseDirectRefusal(machine, error);
    return {false, base, probe, why.empty() ? refusal : refusal + ": " + why};
}
#endif

DirectPortGrant grantFor(const ParsedPortChoice &parsed)
{
    if (!parsed.choice ||
        (parsed.choice->method != PortMethod::Auto && parsed.choice->method != PortMethod::Direct))
        return {false, kFirstPortBase, false, "not requested"};
#if ZELVANE_HAS_PORT_IO
    const PortChoice &choice = *parsed.choice;
    const DoctorContext machine = ThisMachine();
    if (choice.directBase && !choice.baseUnchecked)
        if (const std::string refusal =
                DirectBaseRefusal(machine, *choice.directBase, parsed.source);
            !refusal.empty())
            return {false, *choice.directBase, false, refusal};
    if (choice.directBase)
        return askFor(*choice.directBase, false, machine);
    if (choice.method == PortMethod::Direct) {
        const std::string elsewhere = DiagnoseDirectAt0x378(machine);
        if (!elsewhere.empty())
            return {false, kFirstPortBase, false, "0x378: " + elsewhere};
        return askFor(kFirstPortBase, false, machine);
    }
    // auto: the kernel's first port, wherever it is; with none, 0x378 if something answers.
    if (machine.machine.ports.empty())
        return askFor(kFirstPortBase, true, machine);
    const ParallelPort &first = machine.machine.ports.front();
    if (!first.base)
        return {false, kFirstPortBase, false,
                "the kernel gives parport" + std::to_string(first.number) +
                    " no valid I/O address"};
    return askFor(*first.base, false, machine);
#else
    return {false, kFirstPortBase, false, "direct I/O exists only on x86"};
#endif
}

// A set-user-ID or set-group-ID install would run with someone else's rights.
std::string borrowedIdentity()
{
    const std::string advice =
        "; use ppdev with the lp group, or give the program cap_sys_rawio with setcap";
    if (geteuid() != getuid())
        return "refusing to run set-user-ID (real user " + std::to_string(getuid()) +
               ", effective user " + std::to_string(geteuid()) + ")" + advice;
    if (getegid() != getgid())
        return "refusing to run set-group-ID (real group " + std::to_string(getgid()) +
               ", effective group " + std::to_string(getegid()) + ")" + advice;
    return {};
}

} // namespace

const DirectPortGrant &RequestDirectPortGrant(UngrantedDrop ungranted)
{
    if (const std::string borrowed = borrowedIdentity(); !borrowed.empty()) {
        g_grant = {false, kFirstPortBase, false, "not requested", borrowed};
        return g_grant;
    }
    g_grant = grantFor(SelectedPortChoice());
    std::string dropFailure = g_grant.granted || ungranted == UngrantedDrop::Everything
                                  ? DropAllPrivilege()
                                  : DropRawIoPrivilege();
#if ZELVANE_HAS_PORT_IO
    if (g_grant.granted) {
        g_grantedBase = g_grant.base;
        if (dropFailure.empty())
            if (const int error = revokeInEveryChild())
                dropFailure = std::string("cannot keep the ports from child processes: ") +
                              std::strerror(error);
        if (!dropFailure.empty())
            givePortsBack();
    }
#endif
    if (!dropFailure.empty())
        g_grant = {false, g_grant.base, false, "not granted",
                   "cannot give up privilege (" + dropFailure + ")"};
    return g_grant;
}

DirectPortGrant GrantDirectPortToThisThread(const ParsedPortChoice &parsed)
{
    if (const std::string borrowed = borrowedIdentity(); !borrowed.empty())
        return {false, kFirstPortBase, false, borrowed};
    DirectPortGrant grant = grantFor(parsed);
#if ZELVANE_HAS_PORT_IO
    static const int revoking = pthread_atfork(nullptr, nullptr, [] { ioperm(0, 0x400, 0); });
    if (grant.granted && revoking != 0) {
        ioperm(grant.base, 3, 0);
        grant = {false, grant.base, false,
                 std::string("cannot keep the ports from child processes: ") +
                     std::strerror(revoking)};
    }
#endif
    grant.perThread = grant.granted;
    return grant;
}

const DirectPortGrant &CurrentDirectPortGrant()
{
    return g_grant;
}
