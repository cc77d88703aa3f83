#include "CopyTurns.h"

#include <algorithm>

namespace {

constexpr auto kAcquire = std::memory_order_acquire;
constexpr auto kBoth = std::memory_order_acq_rel;

// Tickets wrap around: a is later than b within half the ticket space.
bool later(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) > 0;
}

// A slot another writer keeps changing still gets an answer.
constexpr int kSlotTries = 1000;

} // namespace

CopyTurns::CopyTurns(TurnTable &table, TurnSystem &system)
    : m_table(table), m_system(system), m_pid(system.processId())
{
}

std::atomic<std::uint64_t> &CopyTurns::slotOf(std::uint32_t ticket)
{
    return m_table.seats[ticket % TurnTable::kSlots];
}

// False when a passer wrote the ticket's slot first: the ticket has been passed over.
bool CopyTurns::writeSlot(std::uint32_t ticket, SlotState state)
{
    auto &slot = slotOf(ticket);
    std::uint64_t old = slot.load(kAcquire);
    const std::uint64_t mine = Slot{ticket, m_pid, state}.word();
    for (int tries = 0; tries < kSlotTries; ++tries) {
        if (const Slot seen = Slot::from(old);
            seen.ticket == ticket && seen.state != SlotState::Empty)
            return false;
        if (slot.compare_exchange_weak(old, mine, kBoth, kAcquire))
            return true;
    }
    return false;
}

std::uint32_t CopyTurns::join()
{
    const std::uint32_t ticket = m_table.next.fetch_add(1, kBoth);
    writeSlot(ticket, SlotState::Waiting);
    return ticket;
}

void CopyTurns::advance(std::uint32_t from)
{
    std::uint32_t expected = from;
    if (m_table.serving.compare_exchange_strong(expected, from + 1, kBoth, kAcquire) &&
        later(m_table.next.load(kAcquire), from + 1))
        m_system.wakeAll(m_table.serving);
}

CopyTurns::Poll CopyTurns::poll(std::uint32_t ticket)
{
    // Turns given up ahead of this one pass at once, each once.
    for (std::size_t ahead = 0; ahead <= TurnTable::kSlots; ++ahead) {
        const std::uint32_t serving = m_table.serving.load(kAcquire);
        if (serving == ticket) {
            std::uint64_t waiting = Slot{ticket, m_pid, SlotState::Waiting}.word();
            const std::uint64_t holding = Slot{ticket, m_pid, SlotState::Holding}.word();
            if (!slotOf(ticket).compare_exchange_strong(waiting, holding, kBoth, kAcquire) &&
                waiting != holding)
                return Poll::PassedOver;
            m_ticket = ticket;
            return Poll::Mine;
        }
        if (later(serving, ticket))
            return Poll::PassedOver;
        const Slot first = Slot::from(slotOf(serving).load(kAcquire));
        if (first.ticket != serving || first.state != SlotState::PassedOver)
            return Poll::Waiting;
        advance(serving);
    }
    return Poll::Waiting;
}

void CopyTurns::leave(std::uint32_t ticket)
{
    std::uint64_t waiting = Slot{ticket, m_pid, SlotState::Waiting}.word();
    slotOf(ticket).compare_exchange_strong(
        waiting, Slot{ticket, m_pid, SlotState::PassedOver}.word(), kBoth, kAcquire);
    if (m_table.serving.load(kAcquire) == ticket) // it came meanwhile: pass it on
        advance(ticket);
}

bool CopyTurns::passOverIfAbsent(std::uint32_t serving)
{
    auto &slot = slotOf(serving);
    std::uint64_t word = slot.load(kAcquire);
    const Slot seen = Slot::from(word);
    bool absent = true; // a slot never written for this ticket, or given up
    if (seen.ticket == serving && seen.state == SlotState::Waiting)
        absent = m_system.processState(seen.pid) != TurnSystem::ProcessState::Running;
    else if (seen.ticket == serving && seen.state == SlotState::Holding)
        absent = m_system.processState(seen.pid) == TurnSystem::ProcessState::Gone;
    if (!absent ||
        !slot.compare_exchange_strong(word, Slot{serving, seen.pid, SlotState::PassedOver}.word(),
                                      kBoth, kAcquire))
        return false;
    advance(serving);
    return true;
}

// Tickets that were never handed out being served, or more waiting than slots: only a
// corrupt table shows that; the queue starts again from this copy.
bool CopyTurns::restartIfImpossible(std::uint32_t ticket)
{
    std::uint32_t serving = m_table.serving.load(kAcquire);
    const std::uint32_t next = m_table.next.load(kAcquire);
    if (!later(serving, next) && next - serving <= TurnTable::kSlots)
        return false;
    return m_table.serving.compare_exchange_strong(serving, ticket, kBoth, kAcquire);
}

CopyTurns::Wait CopyTurns::busy(std::uint32_t startedAt)
{
    const std::uint32_t serving = m_table.serving.load(kAcquire);
    const Slot holder = Slot::from(slotOf(serving).load(kAcquire));
    if (holder.ticket != serving || holder.state != SlotState::Holding)
        return {};
    return {false, holder.pid, serving == startedAt};
}

CopyTurns::Wait CopyTurns::take(Clock::time_point deadline)
{
    std::uint32_t ticket = join();
    std::uint32_t seen = m_table.serving.load(kAcquire);
    const std::uint32_t startedAt = seen;
    auto movedAt = m_system.now();
    while (true) {
        const Poll polled = poll(ticket);
        if (polled == Poll::Mine)
            return {true};
        const auto now = m_system.now();
        if (now >= deadline) {
            if (polled == Poll::Waiting)
                leave(ticket);
            return busy(startedAt);
        }
        if (polled == Poll::PassedOver) { // stopped while waiting, or a table gone wild
            ticket = join();
            continue;
        }
        const std::uint32_t serving = m_table.serving.load(kAcquire);
        if (serving != seen) {
            seen = serving;
            movedAt = now;
        }
        if (restartIfImpossible(ticket) || (now - movedAt >= kLook && passOverIfAbsent(serving)))
            continue;
        m_system.waitWhile(m_table.serving, serving,
                           std::min<std::chrono::nanoseconds>(deadline - now, kLook));
    }
}

bool CopyTurns::takeIfFree()
{
    std::uint32_t ticket = m_table.serving.load(kAcquire);
    if (!m_table.next.compare_exchange_strong(ticket, ticket + 1, kBoth, kAcquire))
        return false;
    if (!writeSlot(ticket, SlotState::Holding) || m_table.serving.load(kAcquire) != ticket) {
        leave(ticket);
        return false;
    }
    m_ticket = ticket;
    return true;
}

void CopyTurns::give()
{
    advance(m_ticket);
}
