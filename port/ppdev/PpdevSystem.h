#pragma once

#include "PpdevNode.h"
#include "TurnSystem.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

struct TurnTable;

// The system calls of the ppdev backend, behind one small interface, so that tests can
// answer them as the kernel does in cases no test machine produces at will (a claim cut
// short, ENXIO, EIO, a reopen that fails, a turn kept by a stopped copy) and on a clock of
// their own. Every call that can fail returns 0 or an errno.
class PpdevSystem : public TurnSystem {
public:
    virtual PpdevNode openNode(const std::string &path) = 0;
    virtual void closeNode(int fd) = 0;
    virtual int control(int fd, unsigned long request, void *argument) = 0; // ioctl

    // The queue that copies of ours take turns by, one per port (its device number, so that
    // every node of the port shares it), shared by every user of the port; it stays mapped
    // while this system lives. Null, with why set, where it cannot be had.
    virtual TurnTable *openTurnTable(dev_t device, std::string &why) = 0;
    // A process as a notice names it: "pid 1234 zelvanectl".
    virtual std::string describeProcess(std::uint32_t pid) = 0;

    // Who holds port portNumber, as the doctor names the programs behind it; it looks through
    // every process, so it is asked only for a notice that will be told.
    virtual std::string describeHolder(unsigned portNumber) = 0;

    // The kernel's word on who holds port portNumber ("none" when free), read through a
    // descriptor kept open, as it is read before every claim.
    virtual int openHolder(unsigned portNumber) = 0;
    virtual int readHolder(std::string &holder) = 0;

    // The claim bound of the calling thread: set up (so that its first claim costs no more
    // than the next), then from arm to disarm, a claim that sleeps is cut short within
    // `period`: one wake may land before the claim sleeps, so they repeat.
    virtual int prepareClaimBound() = 0;
    virtual int armClaimBound(std::chrono::nanoseconds period) = 0;
    virtual void disarmClaimBound() = 0;

    virtual void sleepFor(std::chrono::nanoseconds span) = 0;
};

// The real kernel's.
std::unique_ptr<PpdevSystem> KernelPpdevSystem();
