#pragma once

#include "PortBackend.h"
#include "PpdevNode.h"

#include <chrono>
#include <memory>
#include <string>

// The kernel's parallel-port device (ppdev), shared as the design shares the port: the port
// is claimed around each access and released straight after, so other programs (a second
// copy, a printer job) get it in between. Note what it can see: the control register is
// answered from the driver's copy of the last write, never from the pins.
class PpdevPort final : public PortBackend {
public:
    // How long an access waits for a port that another program holds.
    static constexpr std::chrono::milliseconds kAccessWait{250};
    // A port whose driver was unbound keeps answering data ioctls with zeros and no error;
    // only a lookup of the port fails then. That lookup is one ioctl, done at most this often.
    static constexpr std::chrono::milliseconds kPresenceCheckInterval{100};

    // Opens the device; a port that is merely busy opens. On failure returns null and says
    // why in failed.
    static std::unique_ptr<PpdevPort> open(const std::string &path, PpdevNode &failed);
    ~PpdevPort() override;

    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return "ppdev " + m_path; }
    std::string lostReason() const override { return m_lostReason; }
    std::string takeNotice() override;

    // Keeps the port from now until letGo, so that a sequence of accesses is not interleaved
    // with another program's. False, with a notice, if it cannot be had within kAccessWait.
    bool hold() override;
    void letGo() override;

private:
    PpdevPort(int fd, std::string path, unsigned portNumber)
        : m_fd(fd), m_path(std::move(path)), m_portNumber(portNumber)
    {
    }

    bool stillThere();
    bool claim();
    bool access(unsigned long request, unsigned char &byte);
    void markLost(int error);

    int m_fd;
    std::string m_path;
    unsigned m_portNumber;
    bool m_held = false;
    bool m_heldReported = false;
    std::string m_lostReason;
    std::string m_notice;
    std::chrono::nanoseconds m_lastPresenceCheck{-kPresenceCheckInterval}; // on the coarse clock
};
