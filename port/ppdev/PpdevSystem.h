#pragma once

#include "PpdevNode.h"

#include <memory>
#include <string>

// The system calls of the ppdev backend, behind one small interface, so that tests can
// answer them as the kernel does in cases no test machine produces at will (a claim cut
// short, ENXIO, EIO, a reopen that fails). Every call returns 0 or an errno.
class PpdevSystem {
public:
    virtual ~PpdevSystem() = default;

    virtual PpdevNode openNode(const std::string &path) = 0;
    virtual void closeNode(int fd) = 0;
    virtual int control(int fd, unsigned long request, void *argument) = 0; // ioctl
    virtual int lock(int fd, int operation) = 0;                            // flock

    // The kernel's word on who holds port portNumber ("none" when free), read through a
    // descriptor kept open, as it is read before every claim.
    virtual int openHolder(unsigned portNumber) = 0;
    virtual int readHolder(std::string &holder) = 0;
};

// The real kernel's.
std::unique_ptr<PpdevSystem> KernelPpdevSystem();
