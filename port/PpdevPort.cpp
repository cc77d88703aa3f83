#include "PpdevPort.h"

#include "PpdevClaim.h"
#include "PpdevNode.h"

#include <cerrno>
#include <cstring>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// PPWCONTROL takes the four output lines only; bit 5 would turn the data lines around.
constexpr unsigned char kControlLines = 0x0F;

// A port whose driver was unbound keeps answering data ioctls with zeros and no error; only
// a lookup of the port fails then. That lookup is one ioctl, done at most this often.
constexpr auto kPresenceCheckInterval = 100ms;

std::string claimFailure(const std::string &path, const ClaimOutcome &outcome)
{
    switch (outcome.result) {
    case ClaimResult::Held:
        return path + ": the port is held by another program";
    case ClaimResult::NoTimer:
        return path + ": cannot bound the wait for the port: no timer signal could be armed (" +
               std::strerror(outcome.error) + ")";
    case ClaimResult::Failed:
        if (outcome.error == ENOTTY)
            return path + ": not a parallel-port device";
        return path + ": cannot claim the port: " + std::strerror(outcome.error);
    case ClaimResult::Claimed:
        break;
    }
    return {};
}

bool meansGone(int error)
{
    return error == ENODEV || error == ENXIO || error == EIO;
}

} // namespace

std::unique_ptr<PpdevPort> PpdevPort::open(const std::string &path, std::string &refusal,
                                           std::chrono::milliseconds claimTimeout)
{
    PpdevNode node = OpenPpdevNode(path);
    if (node.fd < 0) {
        refusal = node.failure;
        return nullptr;
    }
    const ClaimOutcome outcome = ClaimPpdevPort({node.fd, path, node.portNumber},
                                                std::chrono::steady_clock::now() + claimTimeout);
    if (outcome.result != ClaimResult::Claimed) {
        refusal = claimFailure(path, outcome);
        if (node.fd >= 0)
            ::close(node.fd);
        return nullptr;
    }
    return std::unique_ptr<PpdevPort>(new PpdevPort(node.fd, path));
}

PpdevPort::~PpdevPort()
{
    ioctl(m_fd, PPRELEASE);
    ::close(m_fd);
}

bool PpdevPort::stillThere()
{
    if (!m_lostReason.empty())
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastPresenceCheck < kPresenceCheckInterval)
        return true;
    m_lastPresenceCheck = now;
    int modes = 0;
    if (ioctl(m_fd, PPGETMODES, &modes) != 0 && meansGone(errno)) {
        m_lostReason = m_path + ": the port has gone away (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool PpdevPort::access(unsigned long request, unsigned char &byte)
{
    if (!stillThere())
        return false;
    if (ioctl(m_fd, request, &byte) == 0)
        return true;
    if (meansGone(errno))
        m_lostReason = m_path + ": the port has gone away (" + std::strerror(errno) + ")";
    return false;
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
