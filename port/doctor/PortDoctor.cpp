#include "PortDoctor.h"

#include "PpdevNode.h"

#include "KernelParport.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <linux/major.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct GroupEntry {
    std::string name;
    unsigned gid = 0;
    std::vector<std::string> members;
};

std::vector<GroupEntry> readGroups(const std::string &root)
{
    std::vector<GroupEntry> groups;
    std::ifstream in(root + "/etc/group");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        GroupEntry entry;
        std::string password, gid, members;
        if (!std::getline(fields, entry.name, ':') || !std::getline(fields, password, ':') ||
            !std::getline(fields, gid, ':'))
            continue;
        std::getline(fields, members);
        entry.gid = static_cast<unsigned>(std::strtoul(gid.c_str(), nullptr, 10));
        std::istringstream names(members);
        for (std::string member; std::getline(names, member, ',');)
            entry.members.push_back(member);
        groups.push_back(entry);
    }
    return groups;
}

bool onlyUsbPrinters(const MachinePorts &machine)
{
    return machine.ports.empty() && !machine.usbPrinters.empty();
}

std::string usbPrinterAdvice(const MachinePorts &machine)
{
    return "only a USB printer-class adapter is present (" + machine.usbPrinters.front().node +
           "): it cannot drive single pins, as the USB printer class carries a stream of bytes "
           "to a printer and the adapter's own chip works the pins; fix: use the motherboard's "
           "port or a PCI or PCIe parallel card";
}

std::string driverAdvice(const MachinePorts &machine)
{
    if (onlyUsbPrinters(machine))
        return usbPrinterAdvice(machine);
    // A kernel without modules has what it was built with, and nothing to load.
    const std::string rebuild =
        "; fix: a kernel built with CONFIG_PARPORT, CONFIG_PARPORT_PC and CONFIG_PPDEV";
    if (!machine.parportLoaded)
        return machine.loadableModules
                   ? "no parallel-port driver is loaded; fix: sudo modprobe -a parport_pc ppdev"
                   : "this kernel has no parallel-port driver and loads no modules" + rebuild;
    if (machine.ports.empty())
        return "the kernel's parallel-port driver found no port";
    if (!machine.ppdevLoaded)
        return machine.loadableModules
                   ? "the ppdev module is not loaded; fix: sudo modprobe ppdev"
                   : "this kernel has no ppdev driver and loads no modules" + rebuild;
    return {};
}

std::string lpAdvice(const std::string &device)
{
    return "the printer driver lp has the port (" + device +
           "); fix: sudo rmmod lp, and to keep it from loading: "
           "echo 'blacklist lp' | sudo tee /etc/modprobe.d/no-lp.conf";
}

// The printer driver's device on a port, where it holds the port or is attached to it.
std::string lpDevice(const MachinePorts &machine, const ParallelPort &port)
{
    if (port.holder.rfind("lp", 0) == 0)
        return port.holder;
    if (machine.lpLoaded)
        for (const std::string &device : port.devices)
            if (device.rfind("lp", 0) == 0)
                return device;
    return {};
}

std::string groupAdvice(const DoctorContext &context, const std::string &node)
{
    struct stat seen {};
    if (stat((context.root + node).c_str(), &seen) != 0)
        return {};
    const auto &mine = context.user.groups;
    if (std::find(mine.begin(), mine.end(), seen.st_gid) != mine.end())
        return {};
    std::string group = std::to_string(seen.st_gid);
    bool listed = false;
    for (const GroupEntry &entry : readGroups(context.root)) {
        if (entry.gid != seen.st_gid)
            continue;
        group = entry.name;
        listed = std::find(entry.members.begin(), entry.members.end(), context.user.name) !=
                 entry.members.end();
    }
    const std::string cause =
        node + " belongs to group " + group + ", which this session is not in";
    if (listed)
        return cause + "; fix: /etc/group already lists " + context.user.name +
               ", so log out and in again (or run: newgrp " + group + ")";
    return cause + "; fix: sudo usermod -aG " + group + " " + context.user.name +
           ", then log out and in again";
}

// From /etc/passwd itself: the name service would need shared libraries a static build
// lacks.
std::string userName(uid_t uid)
{
    std::ifstream in("/etc/passwd");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name, password, id;
        if (std::getline(fields, name, ':') && std::getline(fields, password, ':') &&
            std::getline(fields, id, ':') && id == std::to_string(uid))
            return name;
    }
    return std::to_string(uid);
}

// A descriptor of the port opened through another node (a udev symlink, an alias made with
// mknod): the device number says.
bool reachesPort(const fs::path &descriptor, const ParallelPort &port)
{
    struct stat opened {};
    return stat(descriptor.c_str(), &opened) == 0 && S_ISCHR(opened.st_mode) &&
           opened.st_rdev == makedev(PP_MAJOR, port.number);
}

// Processes other than this one that have the port's node open, as "pid 1234 zelvane", as
// far as /proc lets this user see their descriptors.
std::vector<std::string> processesWithNodeOpen(const std::string &root, const ParallelPort &port)
{
    const std::string node =
        port.node.empty() ? "/dev/parport" + std::to_string(port.number) : port.node;
    std::vector<std::string> found;
    std::error_code error;
    for (const auto &process : fs::directory_iterator(root + "/proc", error)) {
        const std::string pid = process.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(getpid()))
            continue;
        std::error_code unseen;
        for (const auto &fd : fs::directory_iterator(process.path() / "fd", unseen)) {
            std::error_code unreadable;
            if (fs::read_symlink(fd.path(), unreadable) != node && !reachesPort(fd.path(), port))
                continue;
            std::string name;
            std::getline(std::ifstream(process.path() / "comm"), name);
            found.push_back("pid " + pid + " " + name);
            break;
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

UserIdentity UserIdentity::OfThisProcess()
{
    UserIdentity user;
    user.name = userName(getuid());
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < count; ++i)
        user.groups.push_back(groups[static_cast<std::size_t>(i)]);
    user.groups.push_back(getegid());
    return user;
}

DoctorContext ThisMachine()
{
    return {DiscoverPorts(), UserIdentity::OfThisProcess(), ""};
}

std::string DiagnosePpdevNode(const DoctorContext &context, const std::string &node, int error)
{
    switch (error) {
    case ENOENT:
        return IsKernelPortNode(node) ? driverAdvice(context.machine) : std::string();
    case ENODEV:
    case ENXIO: // what a port taken by the printer driver answers
        for (const ParallelPort &port : context.machine.ports)
            if (const std::string lp = lpDevice(context.machine, port); !lp.empty())
                return lpAdvice(lp);
        return driverAdvice(context.machine);
    case EACCES:
    case EPERM:
        return groupAdvice(context, node);
    default:
        return {};
    }
}

std::string DiagnoseHeldPort(const DoctorContext &context, unsigned portNumber)
{
    const ParallelPort *port = FindPort(context.machine, portNumber);
    if (!port || port->holder.empty() || port->holder == "none")
        return {};
    if (port->holder.rfind("lp", 0) == 0)
        return lpAdvice(port->holder);
    const std::string held = "held by " + port->holder;
    if (port->holder.rfind("ppdev", 0) != 0)
        return held;
    // Every ppdev device is named after its port, whichever program opened it.
    const auto programs = processesWithNodeOpen(context.root, *port);
    if (programs.empty())
        return held + "; no other process that this user can see has the port's node open";
    std::string named;
    for (const std::string &program : programs)
        named += (named.empty() ? "" : ", ") + program;
    return held + ": " + named;
}

std::string DiagnoseDirectRefusal(const DoctorContext &context, int error)
{
    if (context.machine.lockdown)
        return "the kernel is locked down (Secure Boot), which refuses raw I/O even to root; "
               "fix: use ZELVANE_PORT=ppdev";
    if (error == ENOSYS)
        return "this kernel was built without raw port I/O (ioperm; CONFIG_X86_IOPL_IOPERM), "
               "so direct I/O cannot work here even as root; fix: use ZELVANE_PORT=ppdev";
    if (error == EPERM)
        return "direct I/O needs root or CAP_SYS_RAWIO; fix: use ZELVANE_PORT=ppdev, or "
               "sudo setcap cap_sys_rawio+ep on the program";
    return {};
}

std::string DiagnoseDirectAt0x378(const DoctorContext &context)
{
    const auto &ports = context.machine.ports;
    if (ports.empty() || std::any_of(ports.begin(), ports.end(),
                                     [](const ParallelPort &port) { return port.base == 0x378u; }))
        return {};
    const ParallelPort &first = ports.front();
    std::string advice = "the kernel's first port, parport" + std::to_string(first.number) + ", is";
    advice += first.base ? " at 0x" + HexAddress(*first.base) : " at no I/O address";
    advice += " and none is at 0x378; fix: use ";
    if (first.base)
        advice += "ZELVANE_PORT=direct:0x" + HexAddress(*first.base) + " or ";
    return advice + "ZELVANE_PORT=ppdev:/dev/parport" + std::to_string(first.number);
}

std::string DiagnoseOutputOnlyPort()
{
    return "this port is in SPP mode, whose data lines only drive; fix: set it to PS/2 "
           "(bidirectional), EPP or ECP in the firmware setup";
}

bool ModesAllowDataInputs(const std::string &modes)
{
    return ("," + modes + ",").find(",TRISTATE,") != std::string::npos;
}
