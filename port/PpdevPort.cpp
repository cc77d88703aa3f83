#include "PpdevPort.h"

#include "KernelParport.h"
#include "PortDoctor.h"
#include "PpdevClaim.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace {

using namespace std::chrono_literals;

// PPWCONTROL takes the four output lines only; bit 5 would turn the data lines around.
constexpr unsigned char kControlLines = 0x0F;

bool meansGone(int error)
{
    return error == ENODEV || error == ENXIO || error == EIO;
}

} // namespace

std::unique_ptr<PpdevPort> PpdevPort::open(const std::string &path, PpdevNode &failed)
{
    PpdevNode node = OpenPpdevNode(path);
    if (node.fd < 0) {
        failed = node;
        return nullptr;
    }
    int modes = 0;
    if (ioctl(node.fd, PPGETMODES, &modes) != 0) { // a node of ppdev's whose port is gone
        const int error = errno;
        ::close(node.fd);
        failed = {-1, node.portNumber, path + ": no parallel port behind this node", error};
        return nullptr;
    }
    return std::unique_ptr<PpdevPort>(new PpdevPort(node.fd, path, node.portNumber));
}

PpdevPort::~PpdevPort()
{
    if (m_fd < 0)
        return;
    if (m_held)
        ioctl(m_fd, PPRELEASE);
    ::close(m_fd);
}

void PpdevPort::markLost(int error)
{
    m_lostReason = m_path + ": the port has gone away (" + std::strerror(error) + ")";
}

bool PpdevPort::stillThere()
{
    if (!m_lostReason.empty())
        return false;
    // The coarse clock is a memory read; the precise one costs more than a held access.
    timespec coarse{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &coarse);
    const auto now = std::chrono::seconds(coarse.tv_sec) + std::chrono::nanoseconds(coarse.tv_nsec);
    if (now - m_lastPresenceCheck < kPresenceCheckInterval)
        return true;
    m_lastPresenceCheck = now;
    int modes = 0;
    if (ioctl(m_fd, PPGETMODES, &modes) != 0 && meansGone(errno)) {
        markLost(errno);
        return false;
    }
    return true;
}

bool PpdevPort::claim()
{
    const ClaimOutcome outcome = ClaimPpdevPort({m_fd, m_path, m_portNumber},
                                                std::chrono::steady_clock::now() + kAccessWait);
    if (outcome.result == ClaimResult::Claimed) {
        m_heldReported = false;
        return true;
    }
    if (m_fd < 0 || (outcome.result == ClaimResult::Failed && meansGone(outcome.error))) {
        markLost(outcome.error);
        return false;
    }
    if (m_heldReported)
        return false;
    m_heldReported = true; // once, until the port is had again
    if (outcome.result == ClaimResult::NoTimer) {
        m_notice = m_path +
                   ": cannot bound the wait for the port: no timer signal could be armed (" +
                   std::strerror(outcome.error) + "); the access failed";
    } else if (outcome.result == ClaimResult::Held) {
        m_notice = m_path + ": another program held the port for longer than " +
                   std::to_string(kAccessWait.count()) + " ms; the access failed";
        const std::string why = DiagnoseHeldPort(ThisMachine(), m_portNumber);
        if (!why.empty())
            m_notice += ": " + why;
    } else {
        m_notice = m_path + ": cannot claim the port: " + std::strerror(outcome.error);
    }
    return false;
}

bool PpdevPort::hold()
{
    if (m_held)
        return true;
    if (!stillThere() || !claim())
        return false;
    m_held = true;
    return true;
}

void PpdevPort::letGo()
{
    if (!m_held)
        return;
    ioctl(m_fd, PPRELEASE);
    m_held = false;
}

std::string PpdevPort::takeNotice()
{
    return std::exchange(m_notice, {});
}

bool PpdevPort::access(unsigned long request, unsigned char &byte)
{
    if (!stillThere())
        return false;
    const bool claimedHere = !m_held;
    if (claimedHere && !claim())
        return false;
    const bool done = ioctl(m_fd, request, &byte) == 0;
    if (!done && meansGone(errno))
        markLost(errno);
    if (claimedHere)
        ioctl(m_fd, PPRELEASE);
    return done;
}

bool PpdevPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    unsigned char byte = 0;
    bool ok = false;
    switch (reg) {
    case PortRegister::Data:
        ok = access(PPRDATA, byte);
        break;
    case PortRegister::Status:
        ok = access(PPRSTATUS, byte);
        break;
    case PortRegister::Control:
        ok = access(PPRCONTROL, byte);
        break;
    }
    if (ok)
        value = byte;
    return ok;
}

bool PpdevPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    unsigned char byte = value;
    switch (reg) {
    case PortRegister::Data:
        return access(PPWDATA, byte);
    case PortRegister::Status:
        return false; // ppdev has no way to write the status lines
    case PortRegister::Control:
        byte &= kControlLines;
        return access(PPWCONTROL, byte);
    }
    return false;
}
