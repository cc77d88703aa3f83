#pragma once

#include "PortBackend.h"

#include <memory>

// Direct I/O inside a process that is not ours (a program using the library): the I/O
// permission belongs to a thread, and the process keeps its privilege, so each thread that
// reaches the registers asks for their three ports itself, at its first access. A thread that
// may not (no CAP_SYS_RAWIO) fails its accesses, with the reason, rather than faulting.
class ThreadGrantedPort final : public PortBackend {
public:
    ThreadGrantedPort(std::unique_ptr<PortBackend> direct, unsigned base);
    ~ThreadGrantedPort() override;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return m_direct->describe(); }
    std::optional<PortNotice> takeNotice() override;
    DirectionAbility dataDirectionAbility() override;
    bool setDataDirection(DataDirection direction) override;
    void keepDataDirectionAtClose() override { m_direct->keepDataDirectionAtClose(); }

private:
    bool grantedHere();

    std::unique_ptr<PortBackend> m_direct;
    unsigned m_base;
    std::optional<PortNotice> m_notice;
};
