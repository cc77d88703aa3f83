#pragma once

#include "PpdevNode.h"

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>

// The system calls of the ppdev backend, behind one small interface, so that tests can
// answer them as the kernel does in cases no test machine produces at will (a claim cut
// short, ENXIO, EIO, a reopen that fails, a lock kept by a stopped copy) and on a clock of
// their own. Every call that can fail returns 0 or an errno.
class PpdevSystem {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~PpdevSystem() = default;

    virtual PpdevNode openNode(const std::string &path) = 0;
    virtual void closeNode(int fd) = 0;
    virtual int control(int fd, unsigned long request, void *argument) = 0; // ioctl

    // The lock that copies of ours take turns with, one per port (its device number), kept
    // in a file of its own so that it outlives no claim: it is given back only after the
    // kernel has let the device go.
    // Empty once the lock file is open, else why it could not be.
    virtual std::string openLock(dev_t device) = 0;
    virtual int tryLock() = 0; // 0, EWOULDBLOCK while another has it, or an errno
    virtual void unlock() = 0;
    // The process that has the lock, as "pid 1234 zelvanectl", as far as the kernel says.
    virtual std::string lockHolder() = 0;

    // Who holds port portNumber, as the doctor names the programs behind it; it looks through
    // every process, so it is asked only for a notice that will be told.
    virtual std::string describeHolder(unsigned portNumber) = 0;

    // The kernel's word on who holds port portNumber ("none" when free), read through a
    // descriptor kept open, as it is read before every claim.
    virtual int openHolder(unsigned portNumber) = 0;
    virtual int readHolder(std::string &holder) = 0;

    // From arm to disarm, a claim that sleeps is cut short within `period`: one wake may land
    // before the claim sleeps, so they repeat.
    virtual int armClaimBound(std::chrono::nanoseconds period) = 0;
    virtual void disarmClaimBound() = 0;

    virtual Clock::time_point now() = 0;
    virtual void sleepFor(std::chrono::nanoseconds span) = 0;
};

// Where copies keep their lock files: /run/lock, or /tmp where there is none.
std::string DefaultLockDirectory();
// The real kernel's.
std::unique_ptr<PpdevSystem> KernelPpdevSystem(std::string lockDirectory = DefaultLockDirectory());
