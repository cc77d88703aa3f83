#include "PinPanel.h"
#include "CallTrace.h"
#include "RegisterEncoding.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <gtest/gtest.h>

namespace {

TEST(RegisterEncoding, ControlByteWorkedValues)
{
    struct Case {
        std::array<std::uint8_t, 4> levels; // C0..C3
        std::uint8_t byte;
    };
    for (const Case c : {Case{{1, 1, 1, 1}, 0x04},
                         {{0, 0, 0, 0}, 0x0B},
                         {{0, 1, 1, 1}, 0x05},
                         {{1, 1, 0, 1}, 0x00},
                         {{1, 1, 1, 0}, 0x0C}})
        EXPECT_EQ(EncodeControlByte(c.levels), c.byte)
            << int(c.levels[3]) << int(c.levels[2]) << int(c.levels[1]) << int(c.levels[0]);
    EXPECT_EQ(EncodeDataByte({1, 1, 1, 0, 1, 1, 1, 1}), 0xF7);
    EXPECT_EQ(EncodeDataByte({1, 0, 0, 0, 0, 0, 0, 1}), 0x81);
}

TEST(RegisterEncoding, Decodings)
{
    EXPECT_EQ(DecodeStatus(0x00), 0x10) << "only S7 high";
    EXPECT_EQ(DecodeStatus(0x80), 0x00) << "all five low";
    EXPECT_EQ(DecodeStatus(0x7F), 0x1F) << "all five high";
    EXPECT_EQ(DecodeStatus(0x07), 0x10) << "bits 0-2 belong to no pin";
    EXPECT_EQ(DecodeControlRead(0xC4), 0x0F) << "released: all four high";
    EXPECT_EQ(DecodeControlRead(0xF0), 0x0B) << "C2 held low";
    for (unsigned c = 0; c < 16; ++c) {
        const std::array<std::uint8_t, 4> levels{std::uint8_t(c & 1), std::uint8_t(c >> 1 & 1),
                                                 std::uint8_t(c >> 2 & 1),
                                                 std::uint8_t(c >> 3 & 1)};
        EXPECT_EQ(DecodeControlRead(EncodeControlByte(levels)), c) << "round trip " << c;
    }
}

class PinPanelTest : public ::testing::Test {
protected:
    void open(std::deque<std::uint8_t> reads = {})
    {
        SetPortOpener([this, reads] {
            return PortOpening{std::make_unique<RecordingPort>(trace, reads), {}};
        });
        ASSERT_TRUE(InitializeWinIo());
    }
    void startPassAndClear()
    {
        InitTogglePass(levels, sink);
        trace.clear();
    }
    void TearDown() override
    {
        ShutdownWinIo();
        SetPortOpener(nullptr);
    }

    CallTrace trace;
    RecordingSink sink{trace};
    PinLevels levels;
};

TEST_F(PinPanelTest, StartPassArmsAndRaisesTheTwelveOutputsWithoutTouchingThePort)
{
    open();
    InitTogglePass(levels, sink);
    CallTrace expected;
    for (unsigned id = 1039; id <= 1046; ++id)
        expected.insert(expected.end(),
                        {"arm " + std::to_string(id), "show " + std::to_string(id) + " HIGH"});
    for (unsigned id : {1037, 1051, 1053, 1054})
        expected.insert(expected.end(),
                        {"arm " + std::to_string(id), "show " + std::to_string(id) + " CTRL_HIGH"});
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(levels.dataByte, 0xFF);
    EXPECT_EQ(levels.controlByte, 0x04);
}

TEST_F(PinPanelTest, DataClicksToggleAndWriteTheWholeByte)
{
    open();
    startPassAndClear();
    ClickOutputPin(levels, sink, 1042);
    ClickOutputPin(levels, sink, 1042);
    EXPECT_EQ(trace, (CallTrace{"show 1042 OUT_LOW", "write 0x378 0xF7", "show 1042 HIGH",
                                "write 0x378 0xFF"}));
}

TEST_F(PinPanelTest, ControlClicksWriteTheCompensatedByte)
{
    open();
    startPassAndClear();
    ClickOutputPin(levels, sink, 1037); // C0
    EXPECT_EQ(trace, (CallTrace{"show 1037 OUT_LOW", "write 0x37A 0x05"}));

    PinLevels fresh;
    InitTogglePass(fresh, sink);
    trace.clear();
    ClickOutputPin(fresh, sink, 1053); // C2
    EXPECT_EQ(trace, (CallTrace{"show 1053 OUT_LOW", "write 0x37A 0x00"}));
}

TEST_F(PinPanelTest, StatusReadShowsFiveIndicatorsInOrder)
{
    open({0x00, 0x80, 0x7F});
    ReadStatusPort(sink);
    EXPECT_EQ(trace, (CallTrace{"read 0x379 0x00", "show 1047 IN_LOW", "show 1048 HIGH",
                                "show 1049 IN_LOW", "show 1050 IN_LOW", "show 1052 IN_LOW"}));
    trace.clear();
    ReadStatusPort(sink);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "show 1048 IN_LOW"), 1);
    EXPECT_EQ(
        std::count_if(trace.begin(), trace.end(), [](auto &s) { return s.ends_with("IN_LOW"); }),
        5);
    trace.clear();
    ReadStatusPort(sink);
    EXPECT_EQ(
        std::count_if(trace.begin(), trace.end(), [](auto &s) { return s.ends_with(" HIGH"); }), 5);
}

TEST_F(PinPanelTest, ControlReadReleasesThenReadsAgainAndLeavesTheLevelsAlone)
{
    open({0xE1, 0xC0}); // C2 held low from outside at the read-back
    startPassAndClear();
    ReadControlPort(sink);
    EXPECT_EQ(trace, (CallTrace{"read 0x37A 0xE1", "write 0x37A 0xE4", "read 0x37A 0xC0",
                                "show 1054 CTRL_HIGH", "show 1053 OUT_LOW", "show 1051 CTRL_HIGH",
                                "show 1037 CTRL_HIGH"}));
    EXPECT_EQ(levels.controlByte, 0x04);

    // A click then toggles the remembered C1 and writes the whole byte, bits 4-7 cleared;
    // the other control indicators keep what the read showed.
    trace.clear();
    ClickOutputPin(levels, sink, 1051);
    EXPECT_EQ(trace, (CallTrace{"show 1051 OUT_LOW", "write 0x37A 0x06"}));
}

TEST_F(PinPanelTest, IdentifiersOfNoOutputPinLeaveNoTrace)
{
    open();
    startPassAndClear();
    const PinLevels before = levels;
    for (unsigned id :
         {1047u, 1052u, 1055u, 1062u, 1038u, 1008u, 1011u, 1012u, 0u, 2u, 65535u, 0x10000u + 1042u})
        ClickOutputPin(levels, sink, id);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(levels.data, before.data);
    EXPECT_EQ(levels.control, before.control);
}

TEST_F(PinPanelTest, WithTheDriverClosedClicksStillToggleAndReadsStillShow)
{
    SetPortOpener([] { return PortOpening{nullptr, {"no port here"}}; });
    ASSERT_FALSE(InitializeWinIo());
    startPassAndClear();
    ClickOutputPin(levels, sink, 1042);
    ClickOutputPin(levels, sink, 1054);
    EXPECT_EQ(trace, (CallTrace{"show 1042 OUT_LOW", "show 1054 OUT_LOW"}));
    EXPECT_EQ(levels.dataByte, 0xF7);
    EXPECT_EQ(levels.controlByte, 0x0C);

    trace.clear();
    ReadStatusPort(sink); // the word holds 0xFF: S3-S6 high, S7 low
    EXPECT_EQ(trace, (CallTrace{"show 1047 HIGH", "show 1048 IN_LOW", "show 1049 HIGH",
                                "show 1050 HIGH", "show 1052 HIGH"}));
}

TEST(PinPanelOnSimulatedPort, DataPinsShowUpOnTheWiredStatusPins)
{
    auto *port = new SimulatedPort;
    SetPortOpener([port] { return PortOpening{std::unique_ptr<PortBackend>(port), {}}; });
    ASSERT_TRUE(InitializeWinIo());
    CallTrace trace;
    RecordingSink sink(trace);
    PinLevels levels;
    InitTogglePass(levels, sink);

    ClickOutputPin(levels, sink, 1039); // D0 low -> S3 low
    ClickOutputPin(levels, sink, 1043); // D4 low -> S7 low
    ClickOutputPin(levels, sink, 1046); // D7 low: not wired
    EXPECT_EQ(port->dataLatch(), 0x6E);
    trace.clear();
    ReadStatusPort(sink);
    EXPECT_EQ(trace, (CallTrace{"show 1047 HIGH", "show 1048 IN_LOW", "show 1049 HIGH",
                                "show 1050 HIGH", "show 1052 IN_LOW"}));

    ClickOutputPin(levels, sink, 1037); // C0 low
    EXPECT_EQ(port->controlPinLevels(), 0x0E);
    port->setControlPinsPulledLow(0x08); // C3 held low from outside
    trace.clear();
    ReadControlPort(sink);
    EXPECT_EQ(trace, (CallTrace{"show 1054 OUT_LOW", "show 1053 CTRL_HIGH", "show 1051 CTRL_HIGH",
                                "show 1037 CTRL_HIGH"}))
        << "released: C0 reads high again; C3 shows the outside pull";

    ShutdownWinIo();
    SetPortOpener(nullptr);
}

} // namespace
