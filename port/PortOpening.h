#pragma once

#include "DirectPortGrant.h"
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

// Tries the methods that the choice allows, in order: direct I/O (on the grant made at
// start-up), then ppdev. Touches no register except auto's read-only probe of a port the
// kernel does not know. Each refusal says why, and how to fix it where the machine shows.
PortOpening OpenPortBackend(const ParsedPortChoice &parsed);
// The same on a grant of the caller's (the library's, made for its thread).
PortOpening OpenPortBackend(const ParsedPortChoice &parsed, const DirectPortGrant &grant);
