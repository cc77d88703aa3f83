#include "WinIo.h"
#include "CallTrace.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

namespace {

class WinIoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetPortOpener([this] {
            return PortOpening{
                std::make_unique<RecordingPort>(trace, std::deque<std::uint8_t>{}, 0x5A), {}};
        });
    }
    void TearDown() override
    {
        ShutdownWinIo();
        SetPortOpener(nullptr);
    }
    CallTrace trace;
};

TEST_F(WinIoTest, AcceptsOnlyThePortsRegistersOneByteAtATime)
{
    ASSERT_TRUE(InitializeWinIo());
    std::uint32_t word = 0xDEADBEEF;

    struct Rejected {
        unsigned address;
        unsigned size;
    };
    for (const Rejected r : {Rejected{0x377, 1},
                             {0x37B, 1},
                             {0x278, 1},
                             {0x10378, 1},
                             {0x378, 0},
                             {0x378, 2},
                             {0x379, 4}}) {
        SCOPED_TRACE("0x" + HexAddress(r.address) + " size " + std::to_string(r.size));
        EXPECT_FALSE(SetPortVal(r.address, 0x12, r.size));
        EXPECT_FALSE(GetPortVal(r.address, &word, r.size));
    }
    EXPECT_FALSE(SetPortVal(0x378, 0x1F7, 1)) << "a value wider than the byte is refused";
    EXPECT_FALSE(GetPortVal(0x379, nullptr, 1));
    EXPECT_EQ(word, 0xDEADBEEFu) << "a refused read leaves the word alone";
    EXPECT_TRUE(trace.empty()) << "nothing reached the port";

    EXPECT_TRUE(SetPortVal(0x378, 0xF7, 1));
    EXPECT_TRUE(SetPortVal(0x37A, 0x05, 1));
    EXPECT_TRUE(GetPortVal(0x379, &word, 1));
    EXPECT_EQ(word, 0x5Au) << "the whole word holds the byte, upper bits zero";
    EXPECT_EQ(trace, (CallTrace{"write 0x378 0xF7", "write 0x37A 0x05", "read 0x379 0x5A"}));
}

TEST_F(WinIoTest, WithoutAnOpenPortCallsReturnNormallyAndTouchNothing)
{
    SetPortOpener([] { return PortOpening{nullptr, {"no port here"}}; });
    EXPECT_FALSE(InitializeWinIo());
    EXPECT_FALSE(PortRefusals().empty());

    std::uint32_t word = 0;
    EXPECT_FALSE(SetPortVal(0x378, 0xF7, 1));
    EXPECT_FALSE(GetPortVal(0x379, &word, 1));
    EXPECT_EQ(word, kUnreadablePortValue) << "the word still gets a defined value";
    ShutdownWinIo();
    ShutdownWinIo();
    EXPECT_TRUE(trace.empty());
}

TEST_F(WinIoTest, ShutdownClosesThePort)
{
    ASSERT_TRUE(InitializeWinIo());
    EXPECT_EQ(OpenPortDescription(), "recording port");
    ShutdownWinIo();
    EXPECT_EQ(OpenPortDescription(), "");
    EXPECT_FALSE(SetPortVal(0x378, 1, 1));
    ShutdownWinIo();
    EXPECT_EQ(trace, CallTrace{"close"}) << "closed once, nothing written after";
}

TEST_F(WinIoTest, APortThatGoesAwayIsReportedOnceAndCountsAsClosed)
{
    RecordingPort *port = nullptr;
    SetPortOpener([&] {
        auto opened = std::make_unique<RecordingPort>(trace);
        port = opened.get();
        return PortOpening{std::move(opened), {}};
    });
    std::vector<std::string> reports;
    SetPortNoticeHandler([&](const PortNotice &notice) { reports.push_back(notice.text); });
    ASSERT_TRUE(InitializeWinIo());
    EXPECT_TRUE(SetPortVal(0x378, 0x01, 1));
    port->goAway();
    std::uint32_t word = 0;
    EXPECT_FALSE(SetPortVal(0x378, 0x02, 1));
    EXPECT_FALSE(GetPortVal(0x379, &word, 1));
    EXPECT_EQ(word, kUnreadablePortValue);
    EXPECT_FALSE(SetPortVal(0x37A, 0x04, 1));
    ShutdownWinIo();
    SetPortNoticeHandler(nullptr);
    EXPECT_EQ(reports, std::vector<std::string>{"the recording port went away"});
    EXPECT_EQ(trace, (CallTrace{"write 0x378 0x01", "close"})) << "closed at the loss, only then";
}

// A backend whose accesses fail, each with two things to tell, and whose data lines will not
// turn.
class FailingPort final : public PortBackend {
public:
    bool readRegister(PortRegister, std::uint8_t &) override { return false; }
    bool writeRegister(PortRegister, std::uint8_t) override
    {
        m_notices = {{PortNotice::Kind::OtherProgram, "first", ""},
                     {PortNotice::Kind::Failed, "second", ""}};
        return false;
    }
    std::string describe() const override { return "failing"; }
    DirectionAbility dataDirectionAbility() override { return {DirectionAbility::Able}; }
    std::optional<PortNotice> takeNotice() override
    {
        if (m_notices.empty())
            return std::nullopt;
        PortNotice first = m_notices.front();
        m_notices.erase(m_notices.begin());
        return first;
    }

private:
    std::vector<PortNotice> m_notices;
};

// Every notice of a failed access is told, in order; a direction the port refused is not
// taken for the port's.
TEST(WinIoFailures, EveryNoticeIsToldAndARefusedDirectionIsNotTaken)
{
    SetPortOpener([] { return PortOpening{std::make_unique<FailingPort>(), {}}; });
    std::vector<std::string> told;
    SetPortNoticeHandler([&](const PortNotice &notice) { told.push_back(notice.text); });
    ASSERT_TRUE(InitializeWinIo());
    EXPECT_FALSE(SetPortVal(0x378, 0x01, 1));
    EXPECT_EQ(told, (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(SetDataDirection(DataDirection::In));
    EXPECT_EQ(CurrentDataDirection(), DataDirection::Out);
    ShutdownWinIo();
    SetPortNoticeHandler(nullptr);
    SetPortOpener(nullptr);
}

// The default opener opens the selected choice; a second opening without a shutdown between
// replaces the first, closing it once.
TEST(WinIoOpening, SelectedChoiceThroughTheLayerAndASecondOpeningIsHarmless)
{
    SelectPortChoice(ParsePortChoice("sim"));
    ASSERT_TRUE(InitializeWinIo());
    EXPECT_TRUE(PortRefusals().empty());
    EXPECT_TRUE(SetPortVal(0x378, 0x15, 1));
    std::uint32_t status = 0;
    EXPECT_TRUE(GetPortVal(0x379, &status, 1));
    EXPECT_EQ(status, 0x2Fu) << "S3, S5 high; S7 high reads as bit 7 clear";
    ASSERT_TRUE(InitializeWinIo());
    EXPECT_EQ(OpenPortDescription(), "simulated port with loopback plug");

    SelectPortChoice(ParsePortChoice("lpt1"));
    EXPECT_FALSE(InitializeWinIo());
    EXPECT_EQ(PortRefusals(), std::vector<std::string>{SelectedPortChoice().error});
    EXPECT_FALSE(SetPortVal(0x378, 0x15, 1)) << "the earlier port is closed";
    SelectPortChoice(ParsePortChoice(nullptr));
}

} // namespace
