#pragma once

#include "CopyTurns.h"
#include "PortBackend.h"
#include "PpdevNode.h"
#include "PpdevSystem.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct TurnOutcome;

// The kernel's parallel-port device (ppdev), shared as the design shares the port: the port
// is claimed around each access and released straight after, so other programs (a second
// copy, a printer job) get it in between. Copies of our programs take turns (PpdevTurn.h);
// whatever a turn needs besides the access (the turn table, the claim bound's timer) is set up
// at the opening, and what it checks (the port still being there) comes before the claim;
// another program seen using the port is left alone until it has not been seen for
// kQuietSpell. Note what it can see: the control register is answered from the driver's copy
// of the last write, never from the pins.
class PpdevPort final : public PortBackend {
public:
    using Clock = PpdevSystem::Clock;

    // How long an access waits for other copies of ours to finish with the port.
    static constexpr std::chrono::milliseconds kAccessWait{250};
    // How long another program must not have been seen using the port before we touch it.
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
    std::optional<unsigned> kernelPortNumber() const override { return m_portNumber; }
    std::optional<PortNotice> lost() const override { return m_lost; }
    std::optional<PortNotice> takeNotice() override;

    // PPDATADIR, where the kernel says the port can (PARPORT_MODE_TRISTATE). The kernel keeps
    // it with this device's saved state across other claims; a fresh descriptor gets it back
    // with the control lines.
    DirectionAbility dataDirectionAbility() override;
    bool setDataDirection(DataDirection direction) override;
    void keepDataDirectionAtClose() override { m_keepDirection = true; }

    bool reserve() override;
    bool hold() override;
    bool holdNow() override;
    void letGo() override;

private:
    PpdevPort(std::unique_ptr<PpdevSystem> system, const PpdevNode &node, std::string path,
              int modes)
        : m_system(std::move(system)), m_fd(node.fd), m_device(node.device),
          m_path(std::move(path)), m_portNumber(node.portNumber), m_modes(modes)
    {
    }

    bool read(PortRegister reg, std::uint8_t &value, bool peek);
    bool access(unsigned long request, unsigned char &byte, bool peek);
    // despiteRecentSighting: claim a port the kernel shows free even within the quiet spell
    // (the last access of all, which puts the data lines back out).
    bool takeTurn(bool peek, bool despiteRecentSighting = false);
    void endTurn();
    void giveCopiesTurn();
    bool turnFailed(const TurnOutcome &outcome, bool peek);
    PortNotice copyBusy(const CopyTurns::Wait &wait);
    bool turnsReady();
    bool controlPutBack();
    bool turnDataLines(bool in);
    bool stillThere();
    bool reopen();
    void replaceCutShortDescriptor();
    void markLost(int error);
    // What went wrong, so that each is told once until an access succeeds again.
    enum class Cause {
        NoDirection,
        CopyBusy,
        OtherProgram,
        Unseen,
        NoTimer,
        NoTurns,
        Exclusive,
        ClaimRefused,
        NoReopen,
        ControlNotBack
    };
    void tell(Cause cause, const std::function<PortNotice()> &build);
    bool quietLongEnough() const;

    std::unique_ptr<PpdevSystem> m_system;
    int m_fd;
    dev_t m_device;
    std::string m_path;
    unsigned m_portNumber;
    int m_modes; // PPGETMODES
    bool m_dataIn = false;
    bool m_keepDirection = false;
    std::optional<CopyTurns> m_turns; // once the copies' turn table is open
    std::string m_noTurns;            // why it could not be opened
    bool m_reserved = false;          // the copies' turn is ours until letGo
    bool m_held = false;              // claimed until letGo
    std::optional<Cause> m_told;      // the last cause told since an access last succeeded
    std::optional<std::uint8_t> m_controlAskedFor;
    bool m_restoreControl = false; // a fresh descriptor's first claim wrote the kernel's byte
    std::optional<Clock::time_point> m_lastBusySeen; // another program held the port
    std::optional<PortNotice> m_lost;
    std::deque<PortNotice> m_notices; // told, not yet taken
    Clock::time_point m_lastPresenceCheck{};
    bool m_presenceChecked = false;
};
