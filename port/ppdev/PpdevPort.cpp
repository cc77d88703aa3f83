#include "PpdevPort.h"

#include "MessageText.h"

#include "PortDoctor.h"
#include "PpdevTurn.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// PPWCONTROL takes the four output lines only; bit 5 would turn the data lines around.
constexpr unsigned char kControlLines = 0x0F;

bool meansGone(int error)
{
    return error == ENODEV || error == ENXIO || error == EIO;
}

} // namespace

std::unique_ptr<PpdevPort> PpdevPort::open(const std::string &path, PpdevNode &failed,
                                           std::unique_ptr<PpdevSystem> system)
{
    PpdevNode node = system->openNode(path);
    if (node.fd < 0) {
        failed = node;
        return nullptr;
    }
    int modes = 0;
    if (const int error = system->control(node.fd, PPGETMODES, &modes)) {
        system->closeNode(node.fd); // a node of ppdev's whose port is gone
        failed = {-1, node.portNumber, PathForMessage(path) + ": no parallel port behind this node",
                  error};
        return nullptr;
    }
    if (const int error = system->openHolder(node.portNumber)) {
        system->closeNode(node.fd);
        failed = {-1, node.portNumber,
                  PathForMessage(path) + ": cannot see whether the port is free (parport" +
                      std::to_string(node.portNumber) + "/devices/active: " + std::strerror(error) +
                      ")",
                  error};
        return nullptr;
    }
    return std::unique_ptr<PpdevPort>(
        new PpdevPort(std::move(system), node.fd, path, node.portNumber));
}

PpdevPort::~PpdevPort()
{
    if (m_fd < 0)
        return;
    if (m_held)
        EndTurn(*m_system, m_fd);
    m_system->closeNode(m_fd);
}

void PpdevPort::markLost(int error)
{
    m_lostReason =
        PathForMessage(m_path) + ": the port has gone away (" + std::strerror(error) + ")";
}

void PpdevPort::tell(const std::string &notice)
{
    if (m_toldThisSpell)
        return;
    m_toldThisSpell = true;
    m_notice = PathForMessage(m_path) + ": " + notice;
}

std::string PpdevPort::takeNotice()
{
    return std::exchange(m_notice, {});
}

bool PpdevPort::stillThere()
{
    // The coarse clock is a memory read; the precise one costs more than a held access.
    timespec coarse{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &coarse);
    const auto now = std::chrono::seconds(coarse.tv_sec) + std::chrono::nanoseconds(coarse.tv_nsec);
    if (now - m_lastPresenceCheck < kPresenceCheckInterval)
        return true;
    m_lastPresenceCheck = now;
    int modes = 0;
    const int error = m_system->control(m_fd, PPGETMODES, &modes);
    if (meansGone(error)) {
        markLost(error);
        return false;
    }
    return true;
}

bool PpdevPort::quietLongEnough() const
{
    return !m_steppingBack || (m_seenFreeSince && Clock::now() - *m_seenFreeSince >= kQuietSpell);
}

void PpdevPort::stepBack()
{
    m_steppingBack = true;
    m_seenFreeSince.reset();
}

std::string PpdevPort::otherProgramNotice(const std::string &holder) const
{
    const std::string who = DiagnoseHeldPort(ThisMachine(), m_portNumber);
    return "another program is using the port (" + (who.empty() ? "held by " + holder : who) +
           "); accesses fail until it has left the port alone for " +
           std::to_string(kQuietSpell.count()) + " ms";
}

bool PpdevPort::reopen()
{
    const PpdevNode fresh = m_system->openNode(m_path);
    m_fd = fresh.fd;
    if (fresh.fd >= 0) {
        m_restoreControl = true;
        return true;
    }
    if (fresh.error == ENOENT || meansGone(fresh.error))
        markLost(fresh.error);
    else // out of descriptors or memory, or permission taken away: perhaps not for good
        tell("cannot open the device again (" + std::string(std::strerror(fresh.error)) +
             "); the access failed");
    return false;
}

// The kernel keeps a cut-short claim on the port's wait list, and the holder's release walks
// that list without a lock: give that release time to pass before our close unlinks it.
void PpdevPort::replaceCutShortDescriptor()
{
    std::this_thread::sleep_for(5ms);
    m_system->closeNode(m_fd);
    m_fd = -1;
    reopen();
}

bool PpdevPort::turnFailed(const TurnOutcome &outcome, bool peek)
{
    switch (outcome.turn) {
    case Turn::Had:
        break;
    case Turn::Free:
        if (!m_seenFreeSince)
            m_seenFreeSince = Clock::now();
        break;
    case Turn::CopyBusy:
        if (!peek)
            tell("another copy of Zelvane held the port for longer than " +
                 std::to_string(kAccessWait.count()) + " ms; the access failed");
        break;
    case Turn::OtherProgram:
        stepBack();
        tell(otherProgramNotice(outcome.holder));
        break;
    case Turn::CutShort:
        stepBack();
        tell(otherProgramNotice("another program"));
        replaceCutShortDescriptor();
        break;
    case Turn::Unseen:
        m_lastPresenceCheck = -kPresenceCheckInterval;
        if (stillThere())
            tell("cannot see whether the port is free (" +
                 std::string(std::strerror(outcome.error)) + "); the access failed");
        break;
    case Turn::NoTimer:
        tell("cannot bound the wait for the port: no timer signal could be armed (" +
             std::string(std::strerror(outcome.error)) + "); the access failed");
        break;
    case Turn::Failed:
        if (outcome.error == ENXIO) { // another program's PPEXCL, or a port that went away
            m_lastPresenceCheck = -kPresenceCheckInterval;
            if (stillThere())
                tell("the port is held exclusively by another program; the access failed");
        } else if (meansGone(outcome.error)) {
            markLost(outcome.error);
        } else {
            tell("cannot claim the port: " + std::string(std::strerror(outcome.error)));
        }
        break;
    }
    return false;
}

bool PpdevPort::takeTurn(bool peek)
{
    if (!m_lostReason.empty() || (m_fd < 0 && !reopen()))
        return false;
    const TurnOutcome outcome =
        TakeTurn(*m_system, m_fd, {Clock::now() + kAccessWait, peek, quietLongEnough()});
    if (outcome.turn != Turn::Had)
        return turnFailed(outcome, peek);
    if (!stillThere()) {
        EndTurn(*m_system, m_fd);
        return false;
    }
    m_steppingBack = false;
    m_toldThisSpell = false;
    if (m_restoreControl && m_controlAskedFor) {
        unsigned char byte = *m_controlAskedFor;
        m_system->control(m_fd, PPWCONTROL, &byte);
    }
    m_restoreControl = false;
    return true;
}

bool PpdevPort::hold()
{
    if (m_held)
        return true;
    m_held = takeTurn(false);
    return m_held;
}

void PpdevPort::letGo()
{
    if (!m_held)
        return;
    EndTurn(*m_system, m_fd);
    m_held = false;
}

bool PpdevPort::access(unsigned long request, unsigned char &byte, bool peek)
{
    const bool turnHere = !m_held;
    if (turnHere && !takeTurn(peek))
        return false;
    const int error = m_system->control(m_fd, request, &byte);
    if (meansGone(error))
        markLost(error);
    if (turnHere)
        EndTurn(*m_system, m_fd);
    return error == 0;
}

bool PpdevPort::read(PortRegister reg, std::uint8_t &value, bool peek)
{
    static constexpr unsigned long kRequests[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    unsigned char byte = 0;
    if (!access(kRequests[static_cast<unsigned>(reg) - static_cast<unsigned>(PortRegister::Data)],
                byte, peek))
        return false;
    value = byte;
    return true;
}

bool PpdevPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    return read(reg, value, false);
}

bool PpdevPort::readRegisterNow(PortRegister reg, std::uint8_t &value)
{
    return read(reg, value, true);
}

bool PpdevPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    unsigned char byte = value;
    switch (reg) {
    case PortRegister::Data:
        return access(PPWDATA, byte, false);
    case PortRegister::Status:
        return false; // ppdev has no way to write the status lines
    case PortRegister::Control:
        byte &= kControlLines;
        m_controlAskedFor = byte;
        return access(PPWCONTROL, byte, false);
    }
    return false;
}
