#include "SimulatedPort.h"

#include <gtest/gtest.h>

namespace {

std::uint8_t read(SimulatedPort &port, PortRegister reg)
{
    std::uint8_t value = 0;
    EXPECT_TRUE(port.readRegister(reg, value));
    return value;
}

TEST(SimulatedPort, LoopbackCarriesD0ToD4OntoS3ToS7WithBusyInverted)
{
    SimulatedPort port;
    struct Case {
        std::uint8_t data;
        std::uint8_t status;
    };
    // Status bits 0-2 are unused and read high; bit 7 reads the inverse of pin S7.
    for (const Case c : {Case{0x00, 0x87},
                         {0x1F, 0x7F},
                         {0x10, 0x07},
                         {0x01, 0x8F},
                         {0xE0, 0x87},
                         {0x0A, 0x87 | 0x50}}) {
        port.writeRegister(PortRegister::Data, c.data);
        EXPECT_EQ(read(port, PortRegister::Status), c.status) << "data " << int(c.data);
        EXPECT_EQ(read(port, PortRegister::Data), c.data);
    }
}

TEST(SimulatedPort, ControlPinsFollowTheInvertedLinesAndReadBackWhatIsDriven)
{
    SimulatedPort port;
    EXPECT_EQ(port.controlPinLevels(), 0x0F) << "released at power-up";

    port.writeRegister(PortRegister::Control, 0x0B);
    EXPECT_EQ(port.controlPinLevels(), 0x00);
    port.writeRegister(PortRegister::Control, 0x05);
    EXPECT_EQ(port.controlPinLevels(), 0x0E) << "C0 low, the rest high";
    EXPECT_EQ(read(port, PortRegister::Control), 0xC5) << "bits 6-7 unused, read high";

    port.writeRegister(PortRegister::Control, 0x24);
    EXPECT_EQ(read(port, PortRegister::Control), 0xE4) << "direction bit reads back";
}

TEST(SimulatedPort, AControlPinPulledLowFromOutsideShowsInTheReadBack)
{
    SimulatedPort port;
    port.writeRegister(PortRegister::Control, 0x04);
    port.setControlPinsPulledLow(0x04); // C2 held low
    EXPECT_EQ(port.controlPinLevels(), 0x0B);
    EXPECT_EQ(read(port, PortRegister::Control) & 0x0F, 0x00);

    port.setControlPinsPulledLow(0x01); // C0 held low: its inverted bit reads 1
    EXPECT_EQ(read(port, PortRegister::Control) & 0x0F, 0x05);
}

TEST(SimulatedPort, StatusIsInputOnly)
{
    SimulatedPort port;
    const auto before = read(port, PortRegister::Status);
    port.writeRegister(PortRegister::Status, 0x00);
    EXPECT_EQ(read(port, PortRegister::Status), before);
}

// Turned in, the data lines read what the outside puts on them (high where nothing does) and
// the plug carries that to the status inputs; a control write keeps them in; turned out, the
// pins show the latch, written meanwhile.
TEST(SimulatedPort, DataLinesTurnedInReadTheOutside)
{
    SimulatedPort port;
    port.writeRegister(PortRegister::Data, 0x00);
    port.setDataPinsPulledLow(0x02);
    ASSERT_TRUE(port.setDataDirection(DataDirection::In));
    port.writeRegister(PortRegister::Data, 0x5A);
    port.writeRegister(PortRegister::Control, 0x04);
    EXPECT_EQ(read(port, PortRegister::Data), 0xFD);
    EXPECT_EQ(read(port, PortRegister::Status), 0x6F) << "S4 low, the others high";
    EXPECT_EQ(read(port, PortRegister::Control) & 0x20, 0x20);
    ASSERT_TRUE(port.setDataDirection(DataDirection::Out));
    EXPECT_EQ(read(port, PortRegister::Data), 0x5A);
}

} // namespace
