#pragma once

#include "PortBackend.h"
#include "PpdevNode.h"
#include "PpdevSystem.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

// The kernel's parallel-port device (ppdev), shared as the design shares the port: the port
// is claimed around each access and released straight after, so other programs (a second
// copy, a printer job) get it in between. Copies of our programs take turns (PpdevTurn.h);
// another program seen using the port is left alone until it has been quiet for
// kQuietSpell. Note what it can see: the control register is answered from the driver's copy
// of the last write, never from the pins.
class PpdevPort final : public PortBackend {
public:
    // How long an access waits for another copy of ours to finish with the port.
    static constexpr std::chrono::milliseconds kAccessWait{250};
    // How long the port must be seen free, once another program was seen using it, before
    // we touch it again.
    static constexpr std::chrono::milliseconds kQuietSpell{1000};
    // A port whose driver was unbound keeps answering data ioctls with zeros and no error;
    // only a lookup of the port fails then. That lookup is one ioctl, done at most this often.
    static constexpr std::chrono::milliseconds kPresenceCheckInterval{100};

    // Opens the device; a port that is merely busy opens. On failure returns null and says
    // why in failed.
    static std::unique_ptr<PpdevPort> open(const std::string &path, PpdevNode &failed,
                                           std::unique_ptr<PpdevSystem> system);
    ~PpdevPort() override;

    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool readRegisterNow(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return "ppdev " + m_path; }
    std::string lostReason() const override { return m_lostReason; }
    std::string takeNotice() override;

    // Keeps the port from now until letGo, so that a sequence of accesses is not interleaved
    // with another program's. False, with a notice, if it cannot be had.
    bool hold() override;
    void letGo() override;

private:
    PpdevPort(std::unique_ptr<PpdevSystem> system, int fd, std::string path, unsigned portNumber)
        : m_system(std::move(system)), m_fd(fd), m_path(std::move(path)), m_portNumber(portNumber)
    {
    }

    bool read(PortRegister reg, std::uint8_t &value, bool peek);
    bool access(unsigned long request, unsigned char &byte, bool peek);
    bool takeTurn(bool peek);
    bool turnFailed(const struct TurnOutcome &outcome, bool peek);
    bool stillThere();
    bool reopen();
    void replaceCutShortDescriptor();
    void markLost(int error);
    void tell(const std::string &notice);
    std::string otherProgramNotice(const std::string &holder) const;
    bool quietLongEnough() const;
    void stepBack();

    std::unique_ptr<PpdevSystem> m_system;
    int m_fd;
    std::string m_path;
    unsigned m_portNumber;
    bool m_held = false;
    bool m_toldThisSpell = false; // one notice until the port is had again
    std::optional<std::uint8_t> m_controlAskedFor;
    bool m_restoreControl = false; // a fresh descriptor's first claim wrote the kernel's byte
    bool m_steppingBack = false;   // another program was seen using the port
    std::optional<std::chrono::steady_clock::time_point> m_seenFreeSince;
    std::string m_lostReason;
    std::string m_notice;
    std::chrono::nanoseconds m_lastPresenceCheck{-kPresenceCheckInterval}; // on the coarse clock
};
