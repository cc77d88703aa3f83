#include "MachineDiagnosis.h"

#include "KernelParport.h"

#include <cerrno>
#include <unistd.h>

namespace {

std::string portFindings(const DoctorContext &context, const ParallelPort &port)
{
    const std::string node =
        port.node.empty() ? "/dev/parport" + std::to_string(port.number) : port.node;
    if (access((context.root + node).c_str(), F_OK) != 0) {
        const std::string why = DiagnosePpdevNode(context, node, ENOENT);
        return why.empty() ? node + " is missing though ppdev is loaded; fix: see that udev "
                                    "makes it (sudo udevadm trigger)"
                           : why;
    }
    if (access((context.root + node).c_str(), R_OK | W_OK) != 0) {
        const std::string why = DiagnosePpdevNode(context, node, errno);
        return why.empty() ? node + " cannot be opened by this user" : why;
    }
    if (const std::string held = DiagnoseHeldPort(context, port.number); !held.empty())
        return held;
    return "free; use ZELVANE_PORT=ppdev:" + node;
}

} // namespace

std::string WhyNoPort(const DoctorContext &context)
{
    const std::string why = DiagnosePpdevNode(context, "/dev/parport0", ENOENT);
    return why.empty() ? "the kernel shows no parallel port" : why;
}

std::vector<std::string> DiagnoseMachine(const DoctorContext &context)
{
    std::vector<std::string> findings;
    const MachinePorts &machine = context.machine;
    if (machine.ports.empty())
        findings.push_back("ports: " + WhyNoPort(context));
    for (const ParallelPort &port : machine.ports) {
        std::string subject = "parport" + std::to_string(port.number);
        subject += port.base ? " at 0x" + HexAddress(*port.base) : " at no I/O address";
        findings.push_back(subject + ": " + portFindings(context, port));
        if (!ModesAllowDataInputs(port.modes))
            findings.push_back(subject + ": " + DiagnoseOutputOnlyPort());
    }
    for (const UsbPrinter &printer : machine.usbPrinters)
        findings.push_back(printer.node +
                           ": a USB printer-class adapter, which cannot drive single pins");
    if (const std::string elsewhere = DiagnoseDirectAt0x378(context); !elsewhere.empty())
        findings.push_back("direct: " + elsewhere);
    if (machine.lockdown)
        findings.push_back("direct: " + DiagnoseDirectRefusal(context, EPERM));
    return findings;
}
