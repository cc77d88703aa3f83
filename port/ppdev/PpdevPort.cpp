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
    auto port = std::unique_ptr<PpdevPort>(new PpdevPort(std::move(system), node, path, modes));
    // The first access then costs what the next does; failures here are told at the first
    // access, which tries again.
    port->m_presenceChecked = true;
    port->m_lastPresenceCheck = port->m_system->now();
    port->m_system->prepareClaimBound();
    if (TurnTable *table = port->m_system->openTurnTable(node.device, port->m_noTurns))
        port->m_turns.emplace(*table, *port->m_system);
    return port;
}

// The device is let go of before the turn, so a copy that takes the turn next finds the port
// free in the kernel too.
PpdevPort::~PpdevPort()
{
    if (m_dataIn && !m_keepDirection && !m_lost && (m_held || takeTurn(false, true))) {
        turnDataLines(false);
        if (!m_held)
            endTurn();
    }
    if (m_fd >= 0) {
        if (m_held)
            m_system->control(m_fd, PPRELEASE, nullptr);
        m_system->closeNode(m_fd);
    }
    if (m_held || m_reserved)
        m_turns->give();
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

bool PpdevPort::turnsReady()
{
    if (m_turns)
        return true;
    if (TurnTable *table = m_system->openTurnTable(m_device, m_noTurns))
        m_turns.emplace(*table, *m_system);
    else
        tell(Cause::NoTurns,
             [&] { return failure("cannot take turns with other copies: " + m_noTurns); });
    return m_turns.has_value();
}

// Said only as it was: one copy kept the turn for the whole wait, or several were ahead.
PortNotice PpdevPort::copyBusy(const CopyTurns::Wait &wait)
{
    const std::string who = wait.holder ? m_system->describeProcess(wait.holder) : "";
    const std::string bound = std::to_string(kAccessWait.count()) + " ms";
    if (wait.sameHolderThroughout)
        return {PortNotice::Kind::OtherCopy,
                "another copy of Zelvane kept the port for longer than " + bound + " (" + who +
                    " has it); the access failed",
                who};
    return {PortNotice::Kind::OtherCopy,
            "copies of Zelvane ahead of this one kept the port for longer than " + bound +
                " between them" + (who.empty() ? "" : " (" + who + " has it now)") +
                "; the access failed",
            ""};
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
            tell(Cause::CopyBusy, [this, wait = outcome.copy] { return copyBusy(wait); });
        break;
    case Turn::OtherProgram:
        m_lastBusySeen = m_system->now();
        tell(Cause::OtherProgram, otherProgram(outcome.holder));
        break;
    case Turn::CutShort:
        m_lastBusySeen = m_system->now();
        tell(Cause::OtherProgram, otherProgram("another program"));
        replaceCutShortDescriptor();
        giveCopiesTurn();
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

// The copies' turn first, so that a poll that finds it taken fails at once; then the port's
// presence, before the claim, as any ioctl inside the claim would wait out another program's
// claim asleep meanwhile. Only a fresh descriptor's put-back shares the access's claim: that
// claim itself wrote the kernel's byte over the pins.
bool PpdevPort::takeTurn(bool peek, bool despiteRecentSighting)
{
    if (m_lost || (m_fd < 0 && !reopen()) || !turnsReady())
        return false;
    if (!m_reserved) {
        CopyTurns::Wait wait{peek && m_turns->takeIfFree()};
        if (!peek)
            wait = m_turns->take(m_system->now() + kAccessWait);
        if (!wait.had)
            return turnFailed({Turn::CopyBusy, 0, {}, wait}, peek);
    }
    if (!stillThere()) {
        giveCopiesTurn();
        return false;
    }
    const TurnOutcome outcome =
        ClaimIfFree(*m_system, m_fd, despiteRecentSighting || quietLongEnough());
    if (outcome.turn != Turn::Had) {
        if (outcome.turn != Turn::CutShort) // given back once the descriptor is replaced
            giveCopiesTurn();
        return turnFailed(outcome, peek);
    }
    if (!controlPutBack()) {
        endTurn();
        return false;
    }
    m_told.reset();
    return true;
}

void PpdevPort::giveCopiesTurn()
{
    if (!m_reserved)
        m_turns->give();
}

// The device is let go of before the copies' turn, so that the copy served next finds the
// port free in the kernel too.
void PpdevPort::endTurn()
{
    m_system->control(m_fd, PPRELEASE, nullptr);
    giveCopiesTurn();
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
        endTurn();
    if (turned)
        m_dataIn = in;
    return turned;
}

bool PpdevPort::reserve()
{
    if (m_reserved || m_held)
        return true;
    if (m_lost || !turnsReady())
        return false;
    const CopyTurns::Wait wait = m_turns->take(m_system->now() + kAccessWait);
    m_reserved = wait.had;
    return m_reserved || turnFailed({Turn::CopyBusy, 0, {}, wait}, false);
}

bool PpdevPort::hold()
{
    if (!m_held)
        m_held = takeTurn(false);
    return m_held;
}

bool PpdevPort::holdNow()
{
    if (!m_held)
        m_held = takeTurn(true);
    return m_held;
}

void PpdevPort::letGo()
{
    if (m_held && m_fd >= 0)
        m_system->control(m_fd, PPRELEASE, nullptr);
    if (m_held || m_reserved)
        m_turns->give();
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
        endTurn();
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
