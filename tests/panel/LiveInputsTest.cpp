#include "LiveInputs.h"
#include "CallTrace.h"
#include "PinDescription.h"
#include "WinIo.h"

#include <gtest/gtest.h>

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

TEST(PinDescription, OnePinOfEachKind)
{
    struct Case {
        const char *label;
        std::uint8_t level;
        const char *text;
    };
    for (const Case c : {Case{"D3", 1, "D3 · 5 脚 · 数据口 0x378 第 3 位 · 高电平"},
                         {"C0", 0, "C0 · 1 脚 · 控制口 0x37A 第 0 位（硬件反相） · 低电平"},
                         {"C2", 1, "C2 · 16 脚 · 控制口 0x37A 第 2 位 · 高电平"},
                         {"S7", 1, "S7 · 11 脚 · 状态口 0x379 第 7 位（硬件反相） · 高电平"},
                         {"G5", 0, "G5 · 23 脚 · 地 · 低电平"}})
        EXPECT_EQ(PinDescription(*findPinByLabel(c.label), c.level), c.text);
}

} // namespace
