#pragma once

#include "PortBackend.h"

// Reads and writes the registers with in/out instructions on the range granted at start-up:
// the design's 0x378-0x37A land on the chosen port's three registers.
class DirectPort final : public PortBackend {
public:
    explicit DirectPort(unsigned base) : m_base(base) {}
    ~DirectPort() override;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override;

    // Bit 5 of the control register. The kernel's parport driver says whether a port it
    // knows can turn its data lines around; a port it does not know is tried when asked.
    DirectionAbility dataDirectionAbility() override;
    bool setDataDirection(DataDirection direction) override;
    void keepDataDirectionAtClose() override { m_keepDirection = true; }
    std::optional<PortNotice> takeNotice() override;

private:
    unsigned short address(PortRegister reg) const
    {
        return static_cast<unsigned short>(m_base + static_cast<unsigned>(reg) - kFirstPortBase);
    }
    std::uint8_t in(PortRegister reg) const;
    void out(PortRegister reg, std::uint8_t value) const;
    bool dataLinesRead();

    unsigned m_base;
    std::optional<DirectionAbility> m_ability;
    bool m_dataIn = false;
    bool m_keepDirection = false;
    std::optional<PortNotice> m_notice;
};
