#include "CopyTurns.h"
#include "FakeTurnSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using namespace std::chrono_literals;
using State = TurnSystem::ProcessState;

constexpr auto kBound = 250ms;

struct Copies {
    TurnTable table{};
    TurnSystem::Clock::time_point clock{1000s};
    FakeTurnSystem::Processes processes{
        {100, State::Running}, {200, State::Running}, {300, State::Running}};
    FakeTurnSystem systemA{clock, 100, processes}, systemB{clock, 200, processes},
        systemC{clock, 300, processes};
    CopyTurns a{table, systemA}, b{table, systemB}, c{table, systemC};
};

// A copy at full rate gives its turn and asks again at once; the copies that asked while it
// held are served first, in the order they asked, every time.
TEST(CopyTurns, WaitersAreServedInTheirOrderBeforeTheHoldersNextTurn)
{
    Copies copies;
    ASSERT_TRUE(copies.a.take(copies.clock + kBound).had);
    std::string order = "a";
    for (int round = 0; round < 200; ++round) {
        const std::uint32_t ticketB = copies.b.join();
        const std::uint32_t ticketC = copies.c.join();
        copies.a.give();
        // While A sleeps, the waiters wake, the later first, and each takes its turn if it
        // has come.
        bool servedB = false, servedC = false;
        copies.systemA.meanwhile = [&] {
            for (int wake = 0; wake < 2; ++wake) {
                if (!servedC && copies.c.poll(ticketC) == CopyTurns::Poll::Mine) {
                    servedC = true;
                    order += 'c';
                    copies.c.give();
                }
                if (!servedB && copies.b.poll(ticketB) == CopyTurns::Poll::Mine) {
                    servedB = true;
                    order += 'b';
                    copies.b.give();
                }
            }
        };
        order += copies.a.take(copies.clock + kBound).had ? "a" : "-";
    }
    std::string expected = "a";
    for (int round = 0; round < 200; ++round)
        expected += "bca";
    EXPECT_EQ(order, expected);
}

// Whatever state a copy finds the queue in (another copy holding, stopped, gone, a table a
// hostile user wrote), its wait ends by the deadline, and the turn passes at once from a copy
// that is not there to use it.
TEST(CopyTurns, EveryWaitEndsByItsDeadline)
{
    struct Case {
        const char *what;
        std::function<void(TurnTable &)> write;
        State other; // of pid 77
        bool had;
        std::chrono::milliseconds within;
        bool keptByOne = false;
    };
    const auto one = [](std::uint32_t pid, SlotState state) {
        return [pid, state](TurnTable &t) {
            t.next = 1;
            t.seats[0] = Slot{0, pid, state}.word();
        };
    };
    const Case cases[] = {
        {"another copy holds the turn", one(77, SlotState::Holding), State::Running, false,
         kBound + CopyTurns::kLook, true},
        {"another copy holds it, stopped", one(77, SlotState::Holding), State::Stopped, false,
         kBound + CopyTurns::kLook, true},
        {"the holder is gone", one(77, SlotState::Holding), State::Gone, true,
         2 * CopyTurns::kLook},
        {"the copy whose turn came is stopped", one(77, SlotState::Waiting), State::Stopped, true,
         2 * CopyTurns::kLook},
        {"the copy whose turn came is gone", one(77, SlotState::Waiting), State::Gone, true,
         2 * CopyTurns::kLook},
        {"the copy whose turn came waits for its wake", one(77, SlotState::Waiting), State::Running,
         false, kBound + CopyTurns::kLook},
        {"a ticket handed out, its slot never written", one(0, SlotState::Empty), State::Gone, true,
         2 * CopyTurns::kLook},
        {"a turn given up", one(77, SlotState::PassedOver), State::Running, true, 0ms},
        {"served beyond any ticket handed out",
         [](TurnTable &t) {
             t.serving = 1000;
             t.next = 5;
         },
         State::Running, true, 0ms},
        {"more waiting than there are slots",
         [](TurnTable &t) {
             t.serving = 7;
             t.next = 0x80000000u;
         },
         State::Running, true, 0ms},
        {"the whole table random",
         [](TurnTable &t) {
             std::mt19937 random(7);
             auto *bytes = reinterpret_cast<unsigned char *>(&t);
             for (std::size_t i = 0; i < sizeof t; ++i)
                 bytes[i] = static_cast<unsigned char>(random());
         },
         State::Running, true, kBound + CopyTurns::kLook},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Copies copies;
        c.write(copies.table);
        copies.processes[77] = c.other;
        const auto start = copies.clock;
        const CopyTurns::Wait wait = copies.a.take(start + kBound);
        EXPECT_LE(copies.clock - start, c.within);
        if (c.had) {
            EXPECT_TRUE(wait.had);
            copies.a.give();
            EXPECT_TRUE(copies.b.takeIfFree()) << "and given back, the turn is free";
            continue;
        }
        EXPECT_FALSE(wait.had);
        EXPECT_EQ(wait.holder, c.keptByOne ? 77u : 0u);
        EXPECT_EQ(wait.sameHolderThroughout, c.keptByOne);
        copies.processes[77] = State::Gone;
        EXPECT_TRUE(copies.b.take(copies.clock + kBound).had)
            << "one that gave up waiting holds up nobody";
    }
}

// A poll that must not wait takes a free turn, and no turn that is held or waited for.
TEST(CopyTurns, ATurnTakenOnlyIfFreeNeverWaitsNorJumpsTheQueue)
{
    Copies copies;
    EXPECT_TRUE(copies.a.takeIfFree());
    EXPECT_FALSE(copies.b.takeIfFree());
    const std::uint32_t ticketC = copies.c.join();
    copies.a.give();
    EXPECT_FALSE(copies.b.takeIfFree()) << "C asked first";
    EXPECT_EQ(copies.c.poll(ticketC), CopyTurns::Poll::Mine);
    copies.c.give();
    EXPECT_TRUE(copies.b.takeIfFree());
    EXPECT_EQ(copies.systemA.wakes, 1) << "a copy alone makes no system call; a waiter, one wake";
}

// A copy that gave up waiting when its turn was near leaves no gap: the next is served.
TEST(CopyTurns, AWaitGivenUpPassesTheTurnOn)
{
    Copies copies;
    ASSERT_TRUE(copies.a.take(copies.clock + kBound).had);
    const CopyTurns::Wait gaveUp = copies.b.take(copies.clock + kBound);
    EXPECT_FALSE(gaveUp.had);
    EXPECT_EQ(gaveUp.holder, 100u);
    const std::uint32_t ticketC = copies.c.join();
    copies.a.give();
    EXPECT_EQ(copies.c.poll(ticketC), CopyTurns::Poll::Mine);
}

} // namespace
