#pragma once

#include "TurnSystem.h"
#include "TurnTable.h"

#include <chrono>
#include <cstdint>

// One copy's turns at a shared port. Copies are served in the order they asked (a ticket
// queue), so one that waits is served before the holder's next turn however fast that comes.
// The queue lives in memory every copy maps rather than in a file lock: a free turn costs a few
// atomic operations and no system call, and a waiter sleeps until the turn moves rather than
// polling for a gap it rarely lands in. As anything in the table may be stale or written by a
// hostile user, a wait trusts it no further than its deadline: a copy whose turn has come is
// passed over if it is gone, stopped before its turn, or never wrote its slot; a holder that
// is gone has its turn passed on; a holder that is stopped keeps it (it may be inside its
// claim) until the waiter's deadline; a queue that cannot be is restarted at the waiter.
class CopyTurns {
public:
    using Clock = TurnSystem::Clock;

    // How long a turn may stay where it is before a waiter looks at who has it: far longer
    // than an access, and short beside the wait's bound.
    static constexpr std::chrono::milliseconds kLook{2};

    CopyTurns(TurnTable &table, TurnSystem &system);

    struct Wait {
        bool had = false;
        std::uint32_t holder = 0;          // who holds the turn at the deadline (0: nobody)
        bool sameHolderThroughout = false; // and held it for the whole wait
    };
    // This copy's turn, waiting for it until the deadline.
    Wait take(Clock::time_point deadline);
    // The turn at once where nobody holds or waits for it, else false at once.
    bool takeIfFree();
    // Gives the turn taken back, to the next in the queue.
    void give();

    // The steps of take(), for tests that interleave copies step by step.
    enum class Poll { Mine, Waiting, PassedOver };
    std::uint32_t join();
    Poll poll(std::uint32_t ticket);
    void leave(std::uint32_t ticket);
    // Passes the turn on from a copy that is not there to use it; false where it is.
    bool passOverIfAbsent(std::uint32_t serving);

private:
    std::atomic<std::uint64_t> &slotOf(std::uint32_t ticket);
    bool writeSlot(std::uint32_t ticket, SlotState state);
    void advance(std::uint32_t from);
    bool restartIfImpossible(std::uint32_t ticket);
    Wait busy(std::uint32_t startedAt);

    TurnTable &m_table;
    TurnSystem &m_system;
    std::uint32_t m_pid;
    std::uint32_t m_ticket = 0; // while this copy holds the turn
};
