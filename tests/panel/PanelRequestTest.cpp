#include "PanelRequest.h"
#include "CallTrace.h"
#include "WinIo.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string changesOf(const PanelOutcome &outcome)
{
    std::string text;
    for (const IndicatorChange &change : outcome.changes)
        text += (text.empty() ? "" : ", ") + std::to_string(change.controlId) + " " +
                imageName(change.image);
    return text;
}

// A request shows its outcome, and keeps its levels, only where its accesses reached the
// port, or where no port was ever opened (the design's window, told "Init fail!"), but for a
// poll; with the data lines in, a data pin takes no click and a status read reads them too.
TEST(PanelRequest, ShownOnlyWhereThePortWasReached)
{
    struct Case {
        const char *what;
        bool opens, refuses, dataIn;
        PanelRequest request;
        std::string shown;
        std::uint8_t d3; // D3's level after
        CallTrace accesses;
    };
    const PanelRequest clickD3{PanelRequest::Click, 1042};
    const Case cases[] = {
        {"a click that reached",
         true,
         false,
         false,
         clickD3,
         "1042 OUT_LOW",
         0,
         {"write 0x378 0xF7"}},
        {"a click refused", true, true, false, clickD3, "", 1, {}},
        {"a click with no port", false, false, false, clickD3, "1042 OUT_LOW", 0, {}},
        {"a poll with no port", false, false, false, {PanelRequest::Poll}, "", 1, {}},
        {"a click on a data input", true, false, true, clickD3, "", 1, {"data in"}},
        {"a status read, data in",
         true,
         false,
         true,
         {PanelRequest::ReadStatus},
         "1047 IN_LOW, 1048 HIGH, 1049 IN_LOW, 1050 IN_LOW, 1052 IN_LOW, 1039 HIGH, 1040 HIGH, "
         "1041 HIGH, 1042 HIGH, 1043 HIGH, 1044 HIGH, 1045 HIGH, 1046 HIGH",
         1,
         {"data in", "read 0x379 0x00", "read 0x378 0xFF"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CallTrace trace;
        RecordingPort *port = nullptr;
        SetPortOpener([&]() -> PortOpening {
            if (!c.opens)
                return {nullptr, {"no port"}};
            auto recording =
                std::make_unique<RecordingPort>(trace, std::deque<std::uint8_t>{0x00}, 0xFF);
            port = recording.get();
            port->makeBidirectional();
            return {std::move(recording), {}};
        });
        const bool opened = InitializeWinIo();
        if (c.refuses)
            port->refuse(PortNotice{});
        if (c.dataIn)
            SetDataDirection(DataDirection::In);
        PinLevels levels;
        levels.data.fill(1);
        const PanelOutcome outcome = RunPanelRequest(levels, c.request, opened);
        ShutdownWinIo();
        SetPortOpener(nullptr);
        EXPECT_EQ(changesOf(outcome), c.shown);
        EXPECT_EQ(levels.data[3], c.d3);
        trace.erase(std::remove(trace.begin(), trace.end(), "close"), trace.end());
        EXPECT_EQ(trace, c.accesses);
    }
}

} // namespace
