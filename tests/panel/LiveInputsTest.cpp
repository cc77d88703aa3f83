#include "LiveInputs.h"
#include "CallTrace.h"
#include "DataInputs.h"
#include "WinIo.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Each poll reads the status register once and redraws only what changed, in the status
// read's order (S6, S7, S5, S4, S3).
TEST(LiveInputs, OnePollOneReadAndOnlyTheChangedIndicators)
{
    CallTrace trace;
    SetPortOpener([&] {
        return PortOpening{std::make_unique<RecordingPort>(
                               trace, std::deque<std::uint8_t>{0x78, 0x78, 0x80, 0x88}),
                           {}};
    });
    ASSERT_TRUE(InitializeWinIo());
    RecordingSink sink(trace);
    std::uint8_t shown = 0x1F; // as the window starts: every status indicator red
    for (int poll = 0; poll < 4; ++poll)
        PollStatusPort(sink, shown);
    ShutdownWinIo();
    SetPortOpener(nullptr);
    EXPECT_EQ(trace, (CallTrace{"read 0x379 0x78", // all five high, as shown: nothing drawn
                                "read 0x379 0x78", // no change
                                "read 0x379 0x80", "show 1047 IN_LOW", "show 1048 IN_LOW",
                                "show 1049 IN_LOW", "show 1050 IN_LOW", "show 1052 IN_LOW",
                                "read 0x379 0x88", "show 1052 HIGH", // S3 alone rose
                                "close"}));
    EXPECT_EQ(shown, 0x01);
}

// With the data lines in, each poll redraws the data pins that changed either way, falling
// as well as rising, D0 first.
TEST(LiveInputs, ADataPollRedrawsEveryDataPinThatChanged)
{
    CallTrace trace;
    SetPortOpener([&] {
        return PortOpening{std::make_unique<RecordingPort>(
                               trace, std::deque<std::uint8_t>{0xFF, 0x5A, 0xA5, 0xA5}),
                           {}};
    });
    ASSERT_TRUE(InitializeWinIo());
    RecordingSink sink(trace);
    std::uint8_t shown = 0xFF; // as turned in after the start: every data indicator red
    for (int poll = 0; poll < 4; ++poll)
        PollDataInputs(sink, shown);
    ShutdownWinIo();
    SetPortOpener(nullptr);
    EXPECT_EQ(trace, (CallTrace{"read 0x378 0xFF", // as shown: nothing drawn
                                "read 0x378 0x5A", "show 1039 IN_LOW", "show 1041 IN_LOW",
                                "show 1044 IN_LOW", "show 1046 IN_LOW", // four fell
                                "read 0x378 0xA5", "show 1039 HIGH", "show 1040 IN_LOW",
                                "show 1041 HIGH", "show 1042 IN_LOW", "show 1043 IN_LOW",
                                "show 1044 HIGH", "show 1045 IN_LOW", "show 1046 HIGH", // all eight
                                "read 0x378 0xA5", "close"}));
    EXPECT_EQ(shown, 0xA5);
}

// A port that another program is using now and then: a peek answers from the script, and
// nullopt means it could not have the port at once.
class SometimesBusyPort final : public PortBackend {
public:
    explicit SometimesBusyPort(std::deque<std::optional<std::uint8_t>> peeks)
        : m_peeks(std::move(peeks))
    {
    }
    bool readRegister(PortRegister, std::uint8_t &) override { return false; } // never waits
    bool writeRegister(PortRegister, std::uint8_t) override { return false; }
    bool readRegisterNow(PortRegister, std::uint8_t &value) override
    {
        const auto peek = m_peeks.front();
        m_peeks.pop_front();
        if (peek)
            value = *peek;
        return peek.has_value();
    }
    std::string describe() const override { return "sometimes busy"; }

private:
    std::deque<std::optional<std::uint8_t>> m_peeks;
};

// A poll that could not have the port draws nothing and keeps what is shown, and the polls
// back off while that lasts, then return to the base pace.
TEST(LiveInputs, AFailedPollChangesNothingAndThePollsBackOff)
{
    SetPortOpener([] {
        return PortOpening{
            std::make_unique<SometimesBusyPort>(std::deque<std::optional<std::uint8_t>>{
                std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                0x80}),
            {}};
    });
    ASSERT_TRUE(InitializeWinIo());
    CallTrace trace;
    RecordingSink sink(trace);
    std::uint8_t shown = 0x1F;
    LivePollPace pace;
    std::vector<int> intervals;
    for (int poll = 0; poll < 7; ++poll)
        intervals.push_back(pace.next(PollStatusPort(sink, shown)));
    ShutdownWinIo();
    SetPortOpener(nullptr);
    EXPECT_EQ(intervals, (std::vector<int>{100, 200, 400, 800, 800, 800, 50}));
    EXPECT_EQ(trace, (CallTrace{"show 1047 IN_LOW", "show 1048 IN_LOW", "show 1049 IN_LOW",
                                "show 1050 IN_LOW", "show 1052 IN_LOW"}))
        << "only the poll that read the port drew anything";
    EXPECT_EQ(shown, 0x00);
}

} // namespace
