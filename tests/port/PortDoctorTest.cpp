#include "PortDoctor.h"
#include "DirectBaseCheck.h"
#include "MachineDiagnosis.h"
#include "PortDiscovery.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A machine's procfs, sysfs, /dev and /etc/group, made up under a folder of its own.
class FakeMachine {
public:
    FakeMachine()
        : m_root(fs::temp_directory_path() / ("zelvane-machine-" + std::to_string(getpid())))
    {
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        file("/proc/modules"); // a kernel that loads modules, unless made without
    }
    ~FakeMachine() { fs::remove_all(m_root); }

    FakeMachine &file(const std::string &path, const std::string &content = "")
    {
        fs::create_directories((m_root / path.substr(1)).parent_path());
        std::ofstream(m_root / path.substr(1)) << content;
        return *this;
    }
    FakeMachine &dir(const std::string &path)
    {
        fs::create_directories(m_root / path.substr(1));
        return *this;
    }
    // parportN at base, held by holder, with these devices attached.
    FakeMachine &port(unsigned n, unsigned base, const std::string &holder,
                      const std::vector<std::string> &devices = {})
    {
        const std::string proc = "/proc/sys/dev/parport/parport" + std::to_string(n);
        file(proc + "/base-addr",
             std::to_string(base) + "\t" + std::to_string(base + 0x400) + "\n");
        file(proc + "/modes", "PCSPP,TRISTATE\n");
        file(proc + "/devices/active", holder + "\n");
        for (const auto &device : devices)
            file(proc + "/devices/" + device + "/timeslice", "200\n");
        return dir("/sys/module/parport").dir("/sys/module/ppdev");
    }
    FakeMachine &without(const std::string &path)
    {
        fs::remove_all(m_root / path.substr(1));
        return *this;
    }
    // A process with the node open as descriptor fd.
    FakeMachine &process(unsigned pid, const std::string &name, const std::string &node, int fd = 3)
    {
        const std::string proc = "/proc/" + std::to_string(pid);
        file(proc + "/comm", name + "\n").dir(proc + "/fd");
        fs::create_symlink(node, m_root / proc.substr(1) / "fd" / std::to_string(fd));
        return *this;
    }
    FakeMachine &node(const std::string &path, unsigned gid)
    {
        file(path);
        EXPECT_EQ(chown((m_root / path.substr(1)).c_str(), static_cast<uid_t>(-1), gid), 0);
        return *this;
    }
    DoctorContext context(UserIdentity user = {"alice", {1000}}) const
    {
        return {DiscoverPorts(m_root.string()), std::move(user), m_root.string()};
    }

private:
    fs::path m_root;
};

TEST(PortDiscovery, ReadsEveryPortAndUsbPrinter)
{
    FakeMachine machine;
    machine.port(1, 0x278, "ppdev1", {"ppdev1"}).port(0, 0xD010, "none", {"lp0"});
    machine.file("/dev/parport0").dir("/sys/class/usbmisc/lp0").dir("/sys/module/lp");
    const MachinePorts found = machine.context().machine;
    ASSERT_EQ(found.ports.size(), 2u);
    const ParallelPort &first = found.ports[0];
    EXPECT_EQ(first.number, 0u);
    EXPECT_EQ(first.node, "/dev/parport0");
    EXPECT_EQ(first.base, 0xD010u);
    EXPECT_EQ(first.modes, "PCSPP,TRISTATE");
    EXPECT_EQ(first.devices, std::vector<std::string>{"lp0"});
    EXPECT_EQ(first.holder, "none");
    EXPECT_EQ(found.ports[1].node, "") << "no /dev/parport1";
    EXPECT_EQ(found.ports[1].holder, "ppdev1");
    ASSERT_EQ(found.usbPrinters.size(), 1u);
    EXPECT_EQ(found.usbPrinters[0].node, "/dev/usb/lp0");
    EXPECT_TRUE(found.parportLoaded && found.ppdevLoaded && found.lpLoaded);
    EXPECT_FALSE(found.lockdown);
}

// One case per wall a user meets, with the exact advice the refusal line carries.
TEST(PortDoctor, NamesTheCauseAndTheFix)
{
    using Diagnose = std::function<std::string(const DoctorContext &)>;
    struct Case {
        const char *cause;
        std::function<void(FakeMachine &)> make;
        Diagnose diagnose;
        std::string advice;
    };
    const auto ppdevMissing = [](const DoctorContext &c) {
        return DiagnosePpdevNode(c, "/dev/parport0", ENOENT);
    };
    const auto ppdevDenied = [](const DoctorContext &c) {
        return DiagnosePpdevNode(c, "/dev/parport0", EACCES);
    };
    const Case cases[] = {
        {"lp holds the port", [](FakeMachine &m) { m.port(0, 0x378, "lp0", {"lp0"}); },
         [](const DoctorContext &c) { return DiagnoseHeldPort(c, 0); },
         "the printer driver lp has the port (lp0); fix: sudo rmmod lp, and to keep it from "
         "loading: echo 'blacklist lp' | sudo tee /etc/modprobe.d/no-lp.conf"},
        {"ppdev holds the port and lp is merely attached: the other programs with the node "
         "open, each once",
         [](FakeMachine &m) {
             m.port(0, 0x378, "ppdev0", {"lp0", "ppdev0"})
                 .dir("/sys/module/lp")
                 .process(1234, "zelvane", "/dev/parport0")
                 .process(1234, "zelvane", "/dev/parport0", 4)
                 .process(77, "avrdude", "/dev/parport0")
                 .process(5, "cupsd", "/dev/parport1")
                 .process(static_cast<unsigned>(getpid()), "diagnosing", "/dev/parport0");
         },
         [](const DoctorContext &c) { return DiagnoseHeldPort(c, 0); },
         "held by ppdev0: pid 1234 zelvane, pid 77 avrdude"},
        {"ppdev holds the port, its program out of sight",
         [](FakeMachine &m) {
             m.port(0, 0x378, "ppdev0", {"lp0", "ppdev0"}).dir("/sys/module/lp");
         },
         [](const DoctorContext &c) { return DiagnoseHeldPort(c, 0); },
         "held by ppdev0; no other process that this user can see has the port's node open"},
        {"ppdev not loaded",
         [](FakeMachine &m) { m.port(0, 0x378, "none").without("/sys/module/ppdev"); },
         ppdevMissing, "the ppdev module is not loaded; fix: sudo modprobe ppdev"},
        {"direct I/O without the privilege", [](FakeMachine &) {},
         [](const DoctorContext &c) { return DiagnoseDirectRefusal(c, EPERM); },
         "direct I/O needs root or CAP_SYS_RAWIO; fix: use ZELVANE_PORT=ppdev, or sudo setcap "
         "cap_sys_rawio+ep on the program"},
        {"direct I/O refused for another reason than privilege", [](FakeMachine &) {},
         [](const DoctorContext &c) { return DiagnoseDirectRefusal(c, EACCES); }, ""},
        {"lp attached, the node answering no such device or address",
         [](FakeMachine &m) { m.port(0, 0x378, "none", {"lp0"}).dir("/sys/module/lp"); },
         [](const DoctorContext &c) { return DiagnosePpdevNode(c, "/dev/parport0", ENXIO); },
         "the printer driver lp has the port (lp0); fix: sudo rmmod lp, and to keep it from "
         "loading: echo 'blacklist lp' | sudo tee /etc/modprobe.d/no-lp.conf"},
        {"not in the node's group",
         [](FakeMachine &m) {
             m.port(0, 0x378, "none").node("/dev/parport0", 7).file("/etc/group", "lp:x:7:bob\n");
         },
         ppdevDenied,
         "/dev/parport0 belongs to group lp, which this session is not in; fix: sudo usermod -aG "
         "lp alice, then log out and in again"},
        {"joined the group, not logged in again",
         [](FakeMachine &m) {
             m.port(0, 0x378, "none")
                 .node("/dev/parport0", 7)
                 .file("/etc/group", "lp:x:7:bob,alice\n");
         },
         ppdevDenied,
         "/dev/parport0 belongs to group lp, which this session is not in; fix: /etc/group "
         "already lists alice, so log out and in again (or run: newgrp lp)"},
        {"kernel lockdown",
         [](FakeMachine &m) {
             m.file("/sys/kernel/security/lockdown", "none [integrity] confidentiality\n");
         },
         [](const DoctorContext &c) { return DiagnoseDirectRefusal(c, EPERM); },
         "the kernel is locked down (Secure Boot), which refuses raw I/O even to root; fix: use "
         "ZELVANE_PORT=ppdev"},
        {"no parport driver", [](FakeMachine &) {}, ppdevMissing,
         "no parallel-port driver is loaded; fix: sudo modprobe -a parport_pc ppdev"},
        {"no parport driver, and a kernel that loads no modules",
         [](FakeMachine &m) { m.without("/proc/modules"); }, ppdevMissing,
         "this kernel has no parallel-port driver and loads no modules; fix: a kernel built with "
         "CONFIG_PARPORT, CONFIG_PARPORT_PC and CONFIG_PPDEV"},
        {"no ppdev, and a kernel that loads no modules",
         [](FakeMachine &m) {
             m.port(0, 0x378, "none").without("/sys/module/ppdev").without("/proc/modules");
         },
         ppdevMissing,
         "this kernel has no ppdev driver and loads no modules; fix: a kernel built with "
         "CONFIG_PARPORT, CONFIG_PARPORT_PC and CONFIG_PPDEV"},
        {"a kernel built without ioperm", [](FakeMachine &) {},
         [](const DoctorContext &c) { return DiagnoseDirectRefusal(c, ENOSYS); },
         "this kernel was built without raw port I/O (ioperm; CONFIG_X86_IOPL_IOPERM), so direct "
         "I/O cannot work here even as root; fix: use ZELVANE_PORT=ppdev"},
        {"no port: why, in one line", [](FakeMachine &m) { m.dir("/sys/module/parport"); },
         WhyNoPort, "the kernel's parallel-port driver found no port"},
        {"only a USB printer-class adapter",
         [](FakeMachine &m) { m.dir("/sys/class/usbmisc/lp0").dir("/sys/module/parport"); },
         ppdevMissing,
         "only a USB printer-class adapter is present (/dev/usb/lp0): it cannot drive single pins, "
         "as the USB printer class carries a stream of bytes to a printer and the adapter's own "
         "chip works the pins; fix: use the motherboard's port or a PCI or PCIe parallel card"},
        {"direct at 0x378, the first port elsewhere",
         [](FakeMachine &m) { m.port(0, 0xD010, "none"); },
         [](const DoctorContext &c) { return DiagnoseDirectAt0x378(c); },
         "the kernel's first port, parport0, is at 0xD010 and none is at 0x378; fix: use "
         "ZELVANE_PORT=direct:0xD010 or ZELVANE_PORT=ppdev:/dev/parport0"},
        {"a port at 0x378 is fine",
         [](FakeMachine &m) { m.port(0, 0xD010, "none").port(1, 0x378, "none"); },
         [](const DoctorContext &c) { return DiagnoseDirectAt0x378(c); }, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cause);
        FakeMachine machine;
        c.make(machine);
        EXPECT_EQ(c.diagnose(machine.context()), c.advice);
    }
}

// Direct I/O asks only where a parallel port can be: a kernel port's base, inside a PCI
// parallel card's I/O region (not a sound card's, not a memory region), an ISA base.
TEST(DirectBaseCheck, AsksOnlyForAParallelPortsBase)
{
    FakeMachine machine;
    const std::string card = "/sys/bus/pci/devices/0000:05:00.0/";
    const std::string sound = "/sys/bus/pci/devices/0000:00:1f.3/";
    machine.port(0, 0xD010, "none")
        .file(card + "class", "0x070102\n")
        .file(card + "resource", "0x000000000000e000 0x000000000000e007 0x0000000000040101\n"
                                 "0x00000000fe000000 0x00000000fe000fff 0x0000000000040200\n")
        .file(sound + "class", "0x040300\n")
        .file(sound + "resource", "0x0000000000000030 0x000000000000003f 0x0000000000040101\n");
    const DoctorContext context = machine.context();
    for (const unsigned base : {0x378u, 0x278u, 0x3BCu, 0xD010u, 0xE000u, 0xE005u})
        EXPECT_EQ(DirectBaseRefusal(context, base, "--port"), "") << base;
    for (const unsigned base : {0x0u, 0x30u, 0x37u, 0xD011u, 0xE006u, 0xF000u})
        EXPECT_NE(DirectBaseRefusal(context, base, "--port"), "") << base;
    EXPECT_EQ(DirectBaseRefusal(context, 0x37, "ZELVANE_PORT"),
              "0x37 is not a parallel port's base (this machine has parport0 at 0xD010, the PCI "
              "parallel card 0000:05:00.0 at 0xE000-0xE007; ISA ports sit at 0x378, 0x278 or "
              "0x3BC), and raw I/O there would reach another device's registers; fix: use one "
              "of those, or ZELVANE_PORT=direct-unchecked:0x37 if a port is there");
}

} // namespace

namespace {

// The whole diagnosis of a machine with one port of each kind of trouble.
TEST(MachineDiagnosis, TellsEveryPortAndEveryCauseWithItsFix)
{
    FakeMachine machine;
    machine.port(0, 0xD010, "none")
        .file("/dev/parport0")
        .file("/proc/sys/dev/parport/parport0/modes", "PCSPP\n")
        .port(1, 0xD020, "lp1", {"lp1"})
        .file("/dev/parport1")
        .port(2, 0xD030, "none")
        .dir("/sys/class/usbmisc/lp0");
    const std::vector<std::string> expected{
        "parport0 at 0xD010: free; use ZELVANE_PORT=ppdev:/dev/parport0",
        "parport0 at 0xD010: " + DiagnoseOutputOnlyPort(),
        "parport1 at 0xD020: the printer driver lp has the port (lp1); fix: sudo rmmod lp, and to "
        "keep it from loading: echo 'blacklist lp' | sudo tee /etc/modprobe.d/no-lp.conf",
        "parport2 at 0xD030: /dev/parport2 is missing though ppdev is loaded; fix: see that udev "
        "makes it (sudo udevadm trigger)",
        "/dev/usb/lp0: a USB printer-class adapter, which cannot drive single pins",
        "direct: " + DiagnoseDirectAt0x378(machine.context())};
    EXPECT_EQ(DiagnoseMachine(machine.context()), expected);
}

} // namespace
