#include "PpdevPort.h"

#include "MessageText.h"
#include "PortDoctor.h"
#include "PpdevTurn.h"

#include <cerrno>
#include <cstring>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <utility>

namespace {

using namespace std::chrono_literals;

// PPWCONTROL takes the four output lines only; bit 5 would turn the data lines around.
constexpr unsigned char kControlLines = 0x0F;

bool meansGone(int error)
{
    return error == ENODEV || error == ENXIO || error == EIO;
}

std::string because(int error)
{
    return " (" + std::string(std::strerror(error)) + ")";
}

PortNotice failure(const std::string &what)
{
    return {PortNotice::Kind::Failed, what + "; the access failed", what};
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
        failed = {-1, node.portNumber, 0,
                  PathForMessage(path) + ": no parallel port behind this node", error};
        return nullptr;
    }
    if (const int error = system->openHolder(node.portNumber)) {
        system->closeNode(node.fd);
        failed = {-1, node.portNumber, 0,
                  PathForMessage(path) + ": cannot see whether the port is free (parport" +
                      std::to_string(node.portNumber) + "/devices/active: " + std::strerror(error) +
                      ")",
                  error};
        return nullptr;
    }
    return std::unique_ptr<PpdevPort>(new PpdevPort(std::move(system), node, path, modes));
}

// The device is let go of before the lock, so a copy that takes the lock next finds the port
// free in the kernel too.
PpdevPort::~PpdevPort()
{
    if (m_dataIn && !m_keepDirection && !m_lost && (m_held || takeTurn(false, true))) {
        turnDataLines(false);
        if (!m_held)
            EndTurn(*m_system, m_fd, m_reserved);
    }
    if (m_fd >= 0) {
        if (m_held)
            m_system->control(m_fd, PPRELEASE, nullptr);
        m_system->closeNode(m_fd);
    }
    if (m_held || m_reserved)
        m_system->unlock();
}

void PpdevPort::markLost(int error)
{
    const std::string reason = std::strerror(error);
    m_lost =
        PortNotice{PortNotice::Kind::Gone,
                   PathForMessage(m_path) + ": the port has gone away (" + reason + ")", reason};
}

// The notice is built only when it will be told: some look through every process.
void PpdevPort::tell(Cause cause, const std::function<PortNotice()> &build)
{
    if (m_told == cause)
        return;
    m_told = cause;
    PortNotice notice = build();
    notice.text = PathForMessage(m_path) + ": " + notice.text;
    m_notices.push_back(std::move(notice));
}

std::optional<PortNotice> PpdevPort::takeNotice()
{
    if (m_notices.empty())
        return std::nullopt;
    PortNotice first = std::move(m_notices.front());
    m_notices.pop_front();
    return first;
}

bool PpdevPort::stillThere()
{
    const auto now = m_system->now();
    if (m_presenceChecked && now - m_lastPresenceCheck < kPresenceCheckInterval)
        return true;
    m_presenceChecked = true;
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
    return !m_lastBusySeen || m_system->now() - *m_lastBusySeen >= kQuietSpell;
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
        tell(Cause::NoReopen,
             [&] { return failure("cannot open the device again" + because(fresh.error)); });
    return false;
}

// The kernel keeps a cut-short claim on the port's wait list, and the holder's release walks
// that list without a lock: give that release time to pass before our close unlinks it.
void PpdevPort::replaceCutShortDescriptor()
{
    m_system->sleepFor(5ms);
    m_system->closeNode(m_fd);
    m_fd = -1;
    reopen();
}

bool PpdevPort::lockReady()
{
    if (m_lockOpen)
        return true;
    const std::string why = m_system->openLock(m_device);
    m_lockOpen = why.empty();
    if (!m_lockOpen)
        tell(Cause::NoLock, [&] { return failure("cannot take turns with other copies: " + why); });
    return m_lockOpen;
}

bool PpdevPort::turnFailed(const TurnOutcome &outcome, bool peek)
{
    const auto otherProgram = [this](const std::string &holder) {
        return [this, holder] {
            const std::string who = m_system->describeHolder(m_portNumber);
            const std::string detail = who.empty() ? "held by " + holder : who;
            return PortNotice{PortNotice::Kind::OtherProgram,
                              "another program is using the port (" + detail +
                                  "); accesses fail until it has left the port alone for " +
                                  std::to_string(kQuietSpell.count()) + " ms",
                              detail};
        };
    };
    switch (outcome.turn) {
    case Turn::Had:
    case Turn::Free:
        break;
    case Turn::CopyBusy:
        if (!peek)
            tell(Cause::CopyBusy, [this] {
                const std::string who = m_system->lockHolder();
                return PortNotice{PortNotice::Kind::OtherCopy,
                                  "another copy of Zelvane kept the port for longer than " +
                                      std::to_string(kAccessWait.count()) + " ms" +
                                      (who.empty() ? "" : " (" + who + " has the lock)") +
                                      "; the access failed",
                                  who};
            });
        break;
    case Turn::OtherProgram:
        m_lastBusySeen = m_system->now();
        tell(Cause::OtherProgram, otherProgram(outcome.holder));
        break;
    case Turn::CutShort:
        m_lastBusySeen = m_system->now();
        tell(Cause::OtherProgram, otherProgram("another program"));
        replaceCutShortDescriptor();
        if (!m_reserved)
            m_system->unlock();
        break;
    case Turn::Unseen:
        m_presenceChecked = false;
        if (stillThere())
            tell(Cause::Unseen, [&] {
                return failure("cannot see whether the port is free" + because(outcome.error));
            });
        break;
    case Turn::NoTimer:
        tell(Cause::NoTimer, [&] {
            return failure("cannot bound the wait for the port: no timer signal could be armed" +
                           because(outcome.error));
        });
        break;
    case Turn::LockFailed:
        tell(Cause::NoLock, [&] {
            return failure("cannot take turns with other copies: the lock" +
                           because(outcome.error));
        });
        break;
    case Turn::Failed:
        if (outcome.error == ENXIO) { // another program's PPEXCL, or a port that went away
            m_presenceChecked = false;
            if (stillThere())
                tell(Cause::Exclusive,
                     [] { return failure("the port is held exclusively by another program"); });
        } else if (meansGone(outcome.error)) {
            markLost(outcome.error);
        } else {
            tell(Cause::ClaimRefused,
                 [&] { return failure("cannot claim the port" + because(outcome.error)); });
        }
        break;
    }
    return false;
}

bool PpdevPort::turnDataLines(bool in)
{
    int reverse = in ? 1 : 0;
    const int error = m_system->control(m_fd, PPDATADIR, &reverse);
    if (meansGone(error))
        markLost(error);
    else if (error != 0)
        tell(Cause::NoDirection, [&] {
            return failure(std::string("cannot turn the data lines ") + (in ? "in" : "out") +
                           because(error));
        });
    return error == 0;
}

// A fresh descriptor's first claim wrote the kernel's initial control byte, data lines out:
// the levels and the direction the program set go back before anything else, and stay due
// until they are back.
bool PpdevPort::controlPutBack()
{
    if (!m_restoreControl)
        return true;
    int error = 0;
    if (m_controlAskedFor) {
        unsigned char byte = *m_controlAskedFor;
        error = m_system->control(m_fd, PPWCONTROL, &byte);
    }
    if (error == 0 && m_dataIn) {
        int reverse = 1;
        error = m_system->control(m_fd, PPDATADIR, &reverse);
    }
    if (error == 0) {
        m_restoreControl = false;
        return true;
    }
    if (meansGone(error))
        markLost(error);
    else
        tell(Cause::ControlNotBack, [&] {
            return failure("cannot put the control lines back after opening the device again" +
                           because(error));
        });
    return false;
}

bool PpdevPort::takeTurn(bool peek, bool despiteRecentSighting)
{
    if (m_lost || (m_fd < 0 && !reopen()) || !lockReady())
        return false;
    const TurnOutcome outcome = TakeTurn(*m_system, m_fd,
                                         {m_system->now() + kAccessWait, peek,
                                          despiteRecentSighting || quietLongEnough(), m_reserved});
    if (outcome.turn != Turn::Had)
        return turnFailed(outcome, peek);
    if (!stillThere() || !controlPutBack()) {
        EndTurn(*m_system, m_fd, m_reserved);
        return false;
    }
    m_told.reset();
    return true;
}

DirectionAbility PpdevPort::dataDirectionAbility()
{
    if (m_modes & PARPORT_MODE_TRISTATE)
        return {DirectionAbility::Able};
    return {DirectionAbility::Unable, DiagnoseOutputOnlyPort(), true};
}

bool PpdevPort::setDataDirection(DataDirection direction)
{
    const bool in = direction == DataDirection::In;
    if (in && !(m_modes & PARPORT_MODE_TRISTATE))
        return false;
    const bool turnHere = !m_held;
    if (turnHere && !takeTurn(false))
        return false;
    const bool turned = turnDataLines(in);
    if (turnHere)
        EndTurn(*m_system, m_fd, m_reserved);
    if (turned)
        m_dataIn = in;
    return turned;
}

bool PpdevPort::reserve()
{
    if (m_reserved || m_held)
        return true;
    if (m_lost || !lockReady())
        return false;
    const int error = TakeLock(*m_system, m_system->now() + kAccessWait, false);
    m_reserved = error == 0;
    return m_reserved ||
           turnFailed({error == EWOULDBLOCK ? Turn::CopyBusy : Turn::LockFailed, error}, false);
}

bool PpdevPort::hold()
{
    if (!m_held)
        m_held = takeTurn(false);
    return m_held;
}

void PpdevPort::letGo()
{
    if (m_held && m_fd >= 0)
        m_system->control(m_fd, PPRELEASE, nullptr);
    if (m_held || m_reserved)
        m_system->unlock();
    m_held = false;
    m_reserved = false;
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
        EndTurn(*m_system, m_fd, m_reserved);
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
