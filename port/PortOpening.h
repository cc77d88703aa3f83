#pragma once

#include "PortBackend.h"
#include "PortChoice.h"

#include <memory>
#include <string>
#include <vector>

// The outcome of one opening: the backend, or every method's reason for refusing.
struct PortOpening {
    std::unique_ptr<PortBackend> backend;
    std::vector<std::string> refusals;
};

struct PortOpeningSettings {
    const char *choice = nullptr; // the raw ZELVANE_PORT value; null means auto
    std::string ppdevPath = "/dev/parport0";
};

// Tries the methods that the choice allows, in order: direct I/O (on the grant made at
// start-up), then ppdev. Touches no register except auto's read-only probe at 0x378.
PortOpening OpenPortBackend(const PortOpeningSettings &settings);
