#pragma once

#include "PpdevSystem.h"

#include <chrono>
#include <string>

// One turn at a shared ppdev port. Copies of our programs take turns with an advisory lock
// on the node, held from before the kernel's holder is read until after PPRELEASE, so none
// of them ever sleeps in PPCLAIM (ppdev would keep its global mutex through that sleep and
// stall every ppdev call on the machine). With the lock held, a holder the kernel names is
// another program: the turn is not taken. A claim that still sleeps (another program took
// the port in between) is cut short by the wake timer, and that descriptor must never claim
// again.
enum class Turn {
    Had,          // locked and claimed: end it with EndTurn
    Free,         // the port is free, and was only looked at (claimIfFree false)
    CopyBusy,     // another copy kept the lock past the deadline, or at once for a peek
    OtherProgram, // another program holds the port (holder says which device)
    Unseen,       // the kernel's holder could not be read (error)
    NoTimer,      // the claim could not be bounded (error)
    CutShort,     // the claim slept and was cut short: replace the descriptor
    Failed,       // PPCLAIM failed (error); the lock is given back
};

struct TurnOutcome {
    Turn turn;
    int error = 0;
    std::string holder = {};
};

struct TurnRequest {
    std::chrono::steady_clock::time_point deadline; // for the lock; a peek does not wait
    bool peek = false;
    bool claimIfFree = true;
};

TurnOutcome TakeTurn(PpdevSystem &system, int fd, const TurnRequest &request);
void EndTurn(PpdevSystem &system, int fd);
