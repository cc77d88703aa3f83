#pragma once

#include <optional>
#include <string>
#include <vector>

// What the machine has in the way of parallel ports, as the kernel shows it in procfs and
// sysfs. Everything is read below root, so tests can point it at a fake tree.
struct ParallelPort {
    unsigned number = 0;              // parportN
    std::string node;                 // /dev/parportN, empty where there is none
    std::optional<unsigned> base;     // I/O base, where the kernel gives a valid one
    std::string modes;                // e.g. "PCSPP,TRISTATE,EPP"
    std::vector<std::string> devices; // drivers' devices attached to it, e.g. lp0, ppdev0
    std::string holder;               // the device that holds it now, "none" when free
};

struct UsbPrinter {
    std::string node; // /dev/usb/lpN
};

struct MachinePorts {
    std::vector<ParallelPort> ports; // by number
    std::vector<UsbPrinter> usbPrinters;
    bool parportLoaded = false; // the kernel's parport core
    bool ppdevLoaded = false;
    bool lpLoaded = false;
    bool loadableModules = false; // the kernel loads modules: modprobe can add a driver
    bool lockdown = false;        // kernel lockdown (Secure Boot): no raw I/O, even for root
};

MachinePorts DiscoverPorts(const std::string &root = "");

const ParallelPort *FindPort(const MachinePorts &machine, unsigned number);
