#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// What copies of ours share for one port to take turns by: a ticket queue. Every user of the
// port may write it, so nothing in it is trusted: it holds numbers only, never a pointer or a
// size, every index into it is taken modulo its length, and whatever it holds, a wait on it
// ends at its deadline. All zeros is a fresh, empty queue.
struct TurnTable {
    static constexpr std::uint32_t kMagic = 0x5A565431; // "ZVT1"
    // More copies than this waiting on one port at once share slots and pass each other over.
    static constexpr std::size_t kSlots = 64;

    std::atomic<std::uint32_t> magic;
    std::atomic<std::uint32_t> next;    // the next ticket handed out
    std::atomic<std::uint32_t> serving; // whose turn it is; waiters sleep on it (a futex)
    std::atomic<std::uint32_t> reserved;
    // Ticket t's slot is seats[t % kSlots]: the ticket in the high half, its process and
    // state in the low: pid << 2 | state.
    std::atomic<std::uint64_t> seats[kSlots];
};

static_assert(std::atomic<std::uint32_t>::is_always_lock_free &&
                  std::atomic<std::uint64_t>::is_always_lock_free,
              "the table is shared between processes: its atomics must be lock-free");

enum class SlotState : std::uint32_t {
    Empty = 0,
    Waiting = 1,
    Holding = 2,
    PassedOver = 3, // given up by its copy, or passed over as stopped or gone
};

struct Slot {
    std::uint32_t ticket = 0;
    std::uint32_t pid = 0;
    SlotState state = SlotState::Empty;

    static Slot from(std::uint64_t word)
    {
        return {static_cast<std::uint32_t>(word >> 32), static_cast<std::uint32_t>(word) >> 2,
                static_cast<SlotState>(word & 3u)};
    }
    std::uint64_t word() const
    {
        return std::uint64_t{ticket} << 32 | (pid << 2 & 0xFFFFFFFCu) |
               static_cast<std::uint32_t>(state);
    }
};
