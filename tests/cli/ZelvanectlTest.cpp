#include "Zelvanectl.h"
#include "CallTrace.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome zelvanectl(const std::vector<std::string> &arguments)
{
    std::ostringstream out, err;
    const int status = RunZelvanectl(arguments, out, err);
    return {status, out.str(), err.str()};
}

// The command line, each mistake a usage error (2) that says what was wrong.
TEST(Zelvanectl, UsageErrorsSayWhatWasWrong)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string says;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"--port"}, "--port needs a value"},
        {{"--port", "lpt1", "read", "data"}, "--port=\"lpt1\" is not known"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"blink"}, "unknown command 'blink'"},
        {{"read"}, "read needs a value"},
        {{"read", "pins"}, "read: 'pins' is not data, status, control or all"},
        {{"set"}, "set needs PIN=0|1"},
        {{"set", "S3=1"}, "set: 'S3=1' is not PIN=0 or PIN=1"},
        {{"set", "D8=1"}, "set: 'D8=1' is not PIN=0"},
        {{"set", "D0=2"}, "set: 'D0=2' is not PIN=0"},
        {{"write", "status", "1"}, "write: 'status' is not data or control"},
        {{"write", "data", "0x100"}, "write: '0x100' is not a byte"},
        {{"write", "control", "0x24"}, "write control: 0x24 sets bits 4-7"},
        {{"pulse", "D0"}, "pulse D0 needs a value"},
        {{"pulse", "G0", "5"}, "pulse: 'G0' is not one of D0-D7, C0-C3"},
        {{"sleep", "-1"}, "sleep: '-1' is not a number of milliseconds"},
        {{"watch", "--interval", "0"}, "--interval must be at least 1 millisecond"},
        {{"watch", "--count", "x"}, "--count: 'x' is not a count"},
        {{"watch", "--duration", "soon"}, "--duration: 'soon' is not a number of seconds"},
    };
    for (const Case &c : cases) {
        const Outcome run = zelvanectl(c.arguments);
        SCOPED_TRACE(c.says);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Try 'zelvanectl --help'"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
}

// A whole session on the simulated port: every command, in one opening.
TEST(Zelvanectl, EveryCommandOnTheSimulatedPort)
{
    const Outcome run = zelvanectl(
        {"--port", "sim",     "write", "data",       "0x00",    "set",          "D0=1", "D4=1",
         "C0=0",   "C2=0",    "read",  "all",        "pulse",   "D1",           "1",    "sleep",
         "1",      "read",    "data",  "write",      "control", "0x04",         "read", "control",
         "watch",  "--count", "0",     "--interval", "1",       "loopback-test"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string watchLine =
        run.out.substr(run.out.find("\n", run.out.find("control 0xC4")) + 1, 24);
    EXPECT_EQ(run.out,
              "data 0x11 D0=1 D1=0 D2=0 D3=0 D4=1 D5=0 D6=0 D7=0\n"
              "status 0x0F S3=1 S4=0 S5=0 S6=0 S7=1\n"
              "control 0xC1 C0=0 C1=1 C2=0 C3=1\n"
              "data 0x11 D0=1 D1=0 D2=0 D3=0 D4=1 D5=0 D6=0 D7=0\n"
              "control 0xC4 C0=1 C1=1 C2=1 C3=1\n" +
                  watchLine +
                  " status 0x0F S3=1 S4=0 S5=0 S6=0 S7=1\n"
                  "D0->S3 ok\nD1->S4 ok\nD2->S5 ok\nD3->S6 ok\nD4->S7 ok\nloopback test passed\n");
    EXPECT_EQ(run.err, "");
}

// set reads each register it touches once and writes it once; --json is one object a line.
TEST(Zelvanectl, SetWritesEachRegisterOnceAndJsonLines)
{
    CallTrace trace;
    SetPortOpener([&] {
        return PortOpening{
            std::make_unique<RecordingPort>(trace, std::deque<std::uint8_t>{0xFF, 0xC4, 0x78}), {}};
    });
    const Outcome run =
        zelvanectl({"--json", "set", "D3=0", "C0=0", "C3=0", "D7=0", "read", "status"});
    SetPortOpener(nullptr);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(trace, (CallTrace{"read 0x378 0xFF", "write 0x378 0x77", "read 0x37A 0xC4",
                                "write 0x37A 0x0D", "read 0x379 0x78", "close"}));
    EXPECT_EQ(run.out,
              "{\"register\":\"status\",\"value\":\"0x78\",\"pins\":{\"S3\":1,\"S4\":1,\"S5\":1,"
              "\"S6\":1,\"S7\":1}}\n");
}

TEST(Zelvanectl, ExitStatuses)
{
    EXPECT_EQ(zelvanectl({"--help"}).status, 0);
    EXPECT_EQ(zelvanectl({"--version"}).out, "zelvanectl 1.0.0.1\n");
    const Outcome none = zelvanectl({"--port", "none", "read", "data"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "zelvanectl: cannot open the port:\n  ZELVANE_PORT=none: no port opened\n");
    EXPECT_EQ(zelvanectl({"--port", "none", "ports", "sleep", "0"}).status, 0) << "no port needed";

    CallTrace trace;
    SetPortOpener([&] {
        auto port = std::make_unique<RecordingPort>(trace);
        port->goAway();
        return PortOpening{std::move(port), {}};
    });
    const Outcome refused = zelvanectl({"write", "data", "1"});
    SetPortOpener(nullptr);
    EXPECT_EQ(refused.status, 1) << "a refused write is an error here";
    EXPECT_EQ(refused.err, "zelvanectl: the recording port went away\n"
                           "zelvanectl: the port refused the write to the data register\n");
}

// The loopback plug with one fault at a time: each wire judged, the test failing with 3.
TEST(Zelvanectl, LoopbackTestFindsEachBrokenWire)
{
    using W = SimulatedPort::StatusWire;
    struct Case {
        unsigned wire;
        W fault;
        std::string verdict;
    };
    for (const Case &c : {Case{0, {W::StuckHigh, 0}, "D0->S3 stuck high"},
                          {2, {W::StuckLow, 0}, "D2->S5 stuck low"},
                          {4, {W::Open, 0}, "D4->S7 open"},
                          {1, {W::FromData, 3}, "D1->S4 crossed with D3"}}) {
        std::array<W, 5> wiring{{{W::FromData, 0},
                                 {W::FromData, 1},
                                 {W::FromData, 2},
                                 {W::FromData, 3},
                                 {W::FromData, 4}}};
        wiring[c.wire] = c.fault;
        SetPortOpener([&] {
            auto port = std::make_unique<SimulatedPort>();
            port->setLoopbackWiring(wiring);
            return PortOpening{std::move(port), {}};
        });
        const Outcome run = zelvanectl({"loopback-test"});
        SetPortOpener(nullptr);
        SCOPED_TRACE(c.verdict);
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.out.find(c.verdict + "\n"), std::string::npos) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 6) << run.out;
        EXPECT_NE(run.out.find("loopback test FAILED"), std::string::npos);
    }
}

} // namespace
