#pragma once

#include "PortBackend.h"

#include <chrono>
#include <memory>
#include <string>

// The kernel's parallel-port device (ppdev). Note what it can see: the control register is
// answered from the driver's copy of the last write, never from the pins.
class PpdevPort final : public PortBackend {
public:
    // The whole opening, waits for a busy port included, stays under two seconds.
    static constexpr std::chrono::milliseconds kClaimTimeout{1500};

    // Opens and claims the device; on failure returns null and says why in refusal.
    static std::unique_ptr<PpdevPort> open(const std::string &path, std::string &refusal,
                                           std::chrono::milliseconds claimTimeout = kClaimTimeout);
    ~PpdevPort() override;

    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return "ppdev " + m_path; }
    std::string lostReason() const override { return m_lostReason; }

private:
    PpdevPort(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

    bool stillThere();
    bool access(unsigned long request, unsigned char &byte);

    int m_fd;
    std::string m_path;
    std::string m_lostReason;
    std::chrono::steady_clock::time_point m_lastPresenceCheck{};
};
