#pragma once

#include "PortBackend.h"
#include "SimState.h"

#include <array>
#include <cstdint>
#include <memory>

// A bidirectional (PS/2) port with a loopback plug fitted: D0..D4 are wired to S3, S4, S5, S6,
// S7, and the control lines are open-collector with pull-ups. Registers behave as on real
// hardware, inversions included, so the pin logic can be checked against it end to end.
// With the data lines turned in (control bit 5), nothing of the port drives them: each reads
// what the outside puts on it, high where nothing does (the status inputs' pull-ups hold
// D0..D4 high through the plug, D5..D7 float high), and the plug carries that to S3..S7.
// The outside may hold status inputs, and data lines while they are in, at a level of its
// own, and the plug may be taken off (its inputs then float high).
//
// Made with a SharedSimFile, the registers and the outside live in that file, which every
// program of the user that opens the same name shares; otherwise they are this object's own.
class SharedSimFile;
class SimulatedPort final : public PortBackend {
public:
    SimulatedPort();
    explicit SimulatedPort(std::unique_ptr<SharedSimFile> shared);
    ~SimulatedPort() override;

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override;
    DirectionAbility dataDirectionAbility() override { return {DirectionAbility::Able}; }
    bool setDataDirection(DataDirection direction) override;
    DataDirection dataDirectionAtOpening() const override;
    void keepDataDirectionAtClose() override { m_keepDirection = true; }

    // The outside world: masks as in SimState (status bit n = S(n+3), data bit n = Dn).
    void setPlug(SimState::Plug plug);
    void drive(std::uint8_t statusMask, std::uint8_t statusLevels, std::uint8_t dataMask,
               std::uint8_t dataLevels);
    void release(std::uint8_t statusMask, std::uint8_t dataMask);
    const SimState &state() const { return *m_state; }

    // Where each status input S3..S7 takes its level from: by default the plug's wire from
    // D0..D4. A wire stuck high or low also holds its data line there (read back from the
    // data register, as on ports that read the pins); an open one lets its input float high.
    struct StatusWire {
        enum Kind { FromData, StuckHigh, StuckLow, Open } kind = FromData;
        unsigned dataLine = 0;
    };
    void setLoopbackWiring(const std::array<StatusWire, 5> &wiring) { m_wiring = wiring; }

    // Something outside pulls these control pins low (bit n = Cn), whatever is driven.
    void setControlPinsPulledLow(std::uint8_t mask) { m_controlPulledLow = mask & 0x0F; }
    // Something outside pulls these data pins low (bit n = Dn); it shows while they are in.
    void setDataPinsPulledLow(std::uint8_t mask);

    std::uint8_t dataLatch() const { return LoadSimByte(m_state->data); }
    std::uint8_t controlLatch() const { return LoadSimByte(m_state->control); }

    // Electrical levels on the connector (bit n = pin level of Cn, or of S(n+3)).
    std::uint8_t controlPinLevels() const;
    std::uint8_t statusPinLevels() const;
    std::uint8_t dataPinLevels() const;

private:
    SimState m_own = FreshSimState();
    std::unique_ptr<SharedSimFile> m_shared;
    SimState *m_state = &m_own;
    bool m_keepDirection = false;
    std::uint8_t m_controlPulledLow = 0x00;
    std::array<StatusWire, 5> m_wiring{{{StatusWire::FromData, 0},
                                        {StatusWire::FromData, 1},
                                        {StatusWire::FromData, 2},
                                        {StatusWire::FromData, 3},
                                        {StatusWire::FromData, 4}}};
};
