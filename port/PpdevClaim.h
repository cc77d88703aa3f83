#pragma once

#include <chrono>
#include <string>

// Gets the port for a ppdev device without ever sleeping in PPCLAIM while another program
// holds it: the kernel hands the port to a sleeping claimer in ways that can hang it, keeps
// a claim that timed out queued, and breaks when one descriptor claims again after an
// interrupted claim. So: wait while the kernel shows a holder, claim only when the port is
// free and only for a short time, and open the device afresh after any claim cut short.
enum class ClaimResult { Claimed, Held, NoTimer, Failed };

struct ClaimOutcome {
    ClaimResult result;
    int error = 0; // errno, for NoTimer and Failed
};

struct PpdevClaimTarget {
    int &fd; // replaced when the device is opened afresh; -1 if that failed
    const std::string &path;
    unsigned portNumber;
};

ClaimOutcome ClaimPpdevPort(PpdevClaimTarget target,
                            std::chrono::steady_clock::time_point deadline);
