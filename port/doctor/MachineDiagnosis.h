#pragma once

#include "PortDoctor.h"

#include <string>
#include <vector>

// Everything the doctor can tell about this machine's ports, one finding a line, each
// "subject: what is so" and, where something is wrong, "; fix: what to do".
std::vector<std::string> DiagnoseMachine(const DoctorContext &context);

// Why no port was found, in one line ("cause; fix: ..."), for a machine with none.
std::string WhyNoPort(const DoctorContext &context);
