#pragma once

#include "PpdevSystem.h"

#include <chrono>
#include <string>

// One turn at a shared ppdev port. Copies of our programs take turns with a lock of their
// own per port, taken before the kernel's holder is read and given back only after
// PPRELEASE, so none of them ever sleeps in PPCLAIM (ppdev would keep its global mutex
// through that sleep and stall every ppdev call on the machine). The lock is polled, never
// waited for in the kernel, so its wait ends at the deadline whether the copy that has it
// runs or is stopped. With the lock held, a holder the kernel names is another program: the
// turn is not taken. A claim that still sleeps (another program took the port in between) is
// cut short by the claim bound, and that descriptor must never claim again.
enum class Turn {
    Had,          // claimed: end it with EndTurn
    Free,         // the port is free, and was only looked at (claimIfFree false)
    CopyBusy,     // another copy kept the lock past the deadline, or at once for a peek
    OtherProgram, // another program holds the port (holder says which device)
    Unseen,       // the kernel's holder could not be read (error)
    NoTimer,      // the claim could not be bounded (error)
    CutShort,     // the claim slept and was cut short: replace the descriptor, then unlock
    Failed,       // PPCLAIM failed (error)
    LockFailed,   // the lock could not be taken (error)
};

struct TurnOutcome {
    Turn turn;
    int error = 0;
    std::string holder = {};
};

struct TurnRequest {
    PpdevSystem::Clock::time_point deadline; // for the lock; a peek does not wait
    bool peek = false;
    bool claimIfFree = true;
    bool locked = false; // the lock is ours already, across the turn and after it
};

// 0 once the lock is ours, EWOULDBLOCK if another copy kept it past the deadline (at once
// for a peek), or the errno of the failed lock.
int TakeLock(PpdevSystem &system, PpdevSystem::Clock::time_point deadline, bool peek);

// Except after CutShort, the lock is given back with any outcome but Had (unless locked).
TurnOutcome TakeTurn(PpdevSystem &system, int fd, const TurnRequest &request);
void EndTurn(PpdevSystem &system, int fd, bool keepLock);
