#pragma once

#include "PortDiscovery.h"

#include <string>
#include <vector>

// Says why a port could not be opened or used, and how to fix it, from what the machine
// shows: each function returns "cause; fix: what to do", or empty where it knows nothing.
struct UserIdentity {
    std::string name;
    std::vector<unsigned> groups; // every group this process is in
    static UserIdentity OfThisProcess();
};

struct DoctorContext {
    MachinePorts machine;
    UserIdentity user;
    std::string root; // where /etc/group and the device nodes are read from
};

DoctorContext ThisMachine();

// A ppdev node that could not be opened: error is the errno of stat or open.
std::string DiagnosePpdevNode(const DoctorContext &context, const std::string &node, int error);
// Another program held the port past the wait.
std::string DiagnoseHeldPort(const DoctorContext &context, unsigned portNumber);
// Direct I/O refused by the kernel (errno of ioperm).
std::string DiagnoseDirectRefusal(const DoctorContext &context, int error);
// Plain direct is 0x378; where the kernel has ports and none there, say which to use.
std::string DiagnoseDirectAt0x378(const DoctorContext &context);

// A port whose data lines only drive (the kernel's modes lack TRISTATE, or the test of the
// direction bit read back what was written).
std::string DiagnoseOutputOnlyPort();
// Whether the kernel's modes for a port ("PCSPP,TRISTATE,EPP") say its data lines can read.
bool ModesAllowDataInputs(const std::string &modes);
