#include "PrivilegeDrop.h"

#include <cerrno>
#include <cstring>
#include <linux/securebits.h>
#include <sys/capability.h>
#include <sys/prctl.h>

namespace {

std::string failed(const char *step)
{
    return std::string(step) + ": " + std::strerror(errno);
}

bool holds(cap_value_t capability, cap_flag_t set)
{
    cap_t current = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    if (current) {
        cap_get_flag(current, capability, set, &value);
        cap_free(current);
    }
    return value == CAP_SET;
}

bool holdsEffective(cap_value_t capability)
{
    return holds(capability, CAP_EFFECTIVE);
}

bool holdsPermitted(cap_value_t capability)
{
    return holds(capability, CAP_PERMITTED);
}

// Root would otherwise get every capability back at its next exec.
std::string lockRootOut()
{
    constexpr unsigned long kBits = SECBIT_NOROOT | SECBIT_NOROOT_LOCKED | SECBIT_NO_SETUID_FIXUP |
                                    SECBIT_NO_SETUID_FIXUP_LOCKED | SECBIT_KEEP_CAPS_LOCKED |
                                    SECBIT_NO_CAP_AMBIENT_RAISE |
                                    SECBIT_NO_CAP_AMBIENT_RAISE_LOCKED;
    if (prctl(PR_SET_SECUREBITS, kBits, 0, 0, 0) != 0)
        return failed("securebits");
    for (unsigned long capability = 0; capability < 64; ++capability) {
        if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) {
            if (errno == EINVAL)
                break; // past the kernel's last capability
            return failed("bounding set");
        }
    }
    return {};
}

bool holdsNothing()
{
    cap_t current = cap_get_proc();
    cap_t none = cap_init();
    const bool empty = current && none && cap_compare(current, none) == 0;
    cap_free(current);
    cap_free(none);
    return empty;
}

} // namespace

std::string DropAllPrivilege()
{
    std::string failure;
    if (holdsEffective(CAP_SETPCAP))
        failure = lockRootOut();
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && failure.empty())
        failure = failed("ambient capabilities");
    cap_t none = cap_init();
    if ((!none || cap_set_proc(none) != 0) && failure.empty())
        failure = failed("capabilities");
    cap_free(none);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 && failure.empty())
        failure = failed("no_new_privs");
    if (failure.empty() && !holdsNothing())
        failure = "capabilities: some are still held";
    if (failure.empty() && prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) != 1)
        failure = "no_new_privs: not set";
    return failure;
}

std::string DropRawIoPrivilege()
{
    std::string failure;
    if (holdsEffective(CAP_SETPCAP) && prctl(PR_CAPBSET_DROP, CAP_SYS_RAWIO, 0, 0, 0) != 0)
        failure = failed("bounding set");
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_LOWER, CAP_SYS_RAWIO, 0, 0) != 0 && errno != EINVAL &&
        failure.empty())
        failure = failed("ambient capabilities");
    cap_t current = cap_get_proc();
    const cap_value_t rawIo[] = {CAP_SYS_RAWIO};
    bool cleared = current != nullptr;
    for (const cap_flag_t set : {CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE})
        cleared = cleared && cap_set_flag(current, set, 1, rawIo, CAP_CLEAR) == 0;
    if ((!cleared || cap_set_proc(current) != 0) && failure.empty())
        failure = failed("capabilities");
    cap_free(current);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 && failure.empty())
        failure = failed("no_new_privs");
    if (failure.empty() && (holdsEffective(CAP_SYS_RAWIO) || holdsPermitted(CAP_SYS_RAWIO)))
        failure = "capabilities: raw I/O is still held";
    return failure;
}
