#pragma once

#include "CopyTurns.h"
#include "PpdevSystem.h"

#include <string>

// One turn at a shared ppdev port: the copies' turn first (CopyTurns), then the kernel's
// holder read, then the claim, and after the access the release before the copies' turn is
// given back. So none of our copies ever sleeps in PPCLAIM (ppdev would keep its global mutex
// through that sleep and stall every ppdev call on the machine). With the copies' turn held, a
// holder the kernel names is another program: the claim is not made. A claim that still
// sleeps (another program took the port in between) is cut short by the claim bound, and that
// descriptor must never claim again. Between the claim and the release nothing is done but
// the caller's register accesses.
enum class Turn {
    Had,          // claimed: release it after the access
    Free,         // the port is free, and was only looked at (claimIfFree false)
    CopyBusy,     // another copy kept the copies' turn past the deadline, or at all for a peek
    OtherProgram, // another program holds the port (holder says which device)
    Unseen,       // the kernel's holder could not be read (error)
    NoTimer,      // the claim could not be bounded (error)
    CutShort,     // the claim slept and was cut short: replace the descriptor
    Failed,       // PPCLAIM failed (error)
};

struct TurnOutcome {
    Turn turn;
    int error = 0;
    std::string holder = {};
    CopyTurns::Wait copy = {}; // for CopyBusy: who kept the copies' turn
};

// With the copies' turn held: the kernel's holder, then the claim where the port is free and
// claimIfFree, bounded.
TurnOutcome ClaimIfFree(PpdevSystem &system, int fd, bool claimIfFree);
