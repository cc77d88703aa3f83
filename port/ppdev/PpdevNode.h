#pragma once

#include <string>
#include <sys/types.h>

// A ppdev device node, opened only when it is a character device of the kernel's
// parallel-port driver: other nodes are never opened, so nothing else gets our ioctls.
struct PpdevNode {
    int fd = -1;
    unsigned portNumber = 0; // the node's minor: /dev/parportN is the kernel's parportN
    dev_t device = 0;        // the port, whichever node reached it
    std::string failure;     // why it was not opened, for the user
    int error = 0;           // its errno; ENOTTY for a node that is not a parallel port
};

PpdevNode OpenPpdevNode(const std::string &path);

// /dev/parportN: a node the kernel makes for each port it finds, so its absence speaks of
// the driver, where any other path's absence is only a missing file.
bool IsKernelPortNode(const std::string &path);
