#include "Zelvanectl.h"
#include "CallTrace.h"
#include "CtlNumbers.h"
#include "PinNames.h"
#include "SimulatedPort.h"
#include "StopSignals.h"
#include "WaitClock.h"
#include "WinIo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

using namespace std::chrono_literals;

// Time that moves only when waited for, each wake-up late by the same lateness, from a start
// whose microseconds need their leading zeros.
class FakeClock final : public WaitClock {
public:
    static constexpr Time kStart = 1000s + 42us;

    // tick: how far each look at the clock moves it, as a real one moves between accesses.
    explicit FakeClock(Time lateness = {}, Time tick = {}) : m_lateness(lateness), m_tick(tick) {}

    Time now() override { return m_now += m_tick; }
    EventTime stamp() override
    {
        using namespace std::chrono;
        m_now += m_tick;
        return {m_now,
                sys_days{year{2026} / 12 / 7} + duration_cast<system_clock::duration>(m_now)};
    }
    Woken waitUntil(Time deadline, bool, int) override
    {
        m_now = std::max(m_now, deadline) + m_lateness;
        return Woken::AtDeadline;
    }
    Time elapsed() const { return m_now - kStart; }

private:
    Time m_lateness;
    Time m_tick;
    Time m_now = kStart;
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome zelvanectl(const std::vector<std::string> &arguments, FakeClock *clock = nullptr)
{
    FakeClock own;
    std::istringstream in;
    std::ostringstream out, err;
    const int status = RunZelvanectl(arguments, {in, out, err}, clock ? clock : &own);
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
        {{"--port="}, "--port needs a port, not an empty value"},
        {{"--port", "lpt1", "read", "data"}, "--port=\"lpt1\" is not known"},
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"-x"}, "unknown option \"-x\""},
        {{"--json=1"}, "--json takes no value"},
        {{"--help=x"}, "--help takes no value"},
        {{"-jp"}, "--port needs a value"},
        {{"read", "data", "--json"}, "unknown command \"--json\""},
        {{"blink"}, "unknown command \"blink\""},
        {{"read"}, "read needs a value"},
        {{"read", "pins"}, "read: \"pins\" is not data, status, control or all"},
        {{"get"}, "get needs a pin"},
        {{"get", "pin18"}, "get: \"pin18\" is a ground pin"},
        {{"get", "g0"}, "get: \"g0\" is a ground pin"},
        {{"toggle", "GND"}, "toggle: \"GND\" is a ground pin"},
        {{"set"}, "set needs PIN=0|1"},
        {{"set", "S3=1"}, "set: S3 is an input"},
        {{"set", "D8=1"}, "set: \"D8\" is not a pin"},
        {{"set", "D0=2"}, "set: \"D0=2\" is not PIN=0 or PIN=1"},
        {{"set", "D0=1", "pin2=0"}, "set: D0 is given twice"},
        {{"write", "status", "1"}, "write: \"status\" is not data or control"},
        {{"write", "data", "0x100"}, "write: \"0x100\" is not a byte"},
        {{"write", "data", "010"}, "write: \"010\" is not a byte"},
        {{"write", "control", "0x24"}, "write control: 0x24 sets bits 4-7"},
        {{"write", "control", "0x10"}, "write control: 0x10 sets bits 4-7"},
        {{"pulse", "D0"}, "pulse D0 needs a value"},
        {{"pulse", "G0", "5"}, "pulse: \"G0\" is a ground pin"},
        {{"pulse", "ack", "5"}, "pulse: S6 is an input"},
        {{"pulse", "D0", "5", "--count", "0"}, "pulse: --count must be at least 1"},
        {{"pulse", "D0", "0"}, "pulse D0: a pulse is at least 1us wide"},
        {{"pulse", "D0", "0.4us"}, "pulse D0: a pulse is at least 1us wide"},
        {{"pulse", "D0", "5ms", "-n", "2", "--period", "5001us"},
         "pulse: the period must be longer than the width plus one access (1us)"},
        {{"sleep", "-1"}, "sleep: \"-1\" is not a duration"},
        {{"sleep", "1e3"}, "sleep: \"1e3\" is not a duration"},
        {{"sleep", "25h"}, "sleep: \"25h\" is not a duration"},
        {{"sleep", "86401s"}, "sleep: \"86401s\" is not a duration"},
        {{"watch", "--interval", "0"}, "--interval must be at least 1us"},
        {{"watch", "--count", "x"}, "--count: \"x\" is not a count"},
        {{"watch", "--duration", "0x10"}, "--duration: \"0x10\" is not a duration"},
        {{"watch", "--pins", "S3,C0"}, "--pins: C0 is not an input"},
        {{"data-direction", "sideways"}, "data-direction: \"sideways\" is not in or out"},
        {{"watch", "--pins", "S3,error"}, "--pins: S3 is given twice"},
        {{"watch", "--pins", "S3,"}, "--pins: \"\" is not a pin"},
        {{"watch", "--i", "1"}, "watch: option \"--i\" is ambiguous (--interval, --idle-timeout)"},
        {{"watch", "--format", "%p %x"}, "--format: \"%x\" is not %p, %s, %e, %l, %t, %T or %%"},
        {{"-j", "watch", "--format", "%p"}, "--format and --json cannot be used together"},
        {{"watch", "--edges", "up"}, "--edges: \"up\" is not rising, falling or both"},
        {{"watch", "--vcd"}, "watch: --vcd needs a value"},
        {{"watch", "--frob"}, "watch: unknown option \"--frob\""},
        {{"watch", "--vcd", "a", "watch", "--vcd", "b"}, "one trace (--vcd) a command line"},
        {{"-", "read", "data"}, "a script and commands on the command line cannot be mixed"},
    };
    for (const Case &c : cases) {
        const Outcome run = zelvanectl(c.arguments);
        SCOPED_TRACE(c.says);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("zelvanectl: " + c.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Try 'zelvanectl --help'"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
}

// One grammar of numbers, and times with units, read to the microsecond.
TEST(Zelvanectl, NumbersAndTimesHaveOneGrammar)
{
    using std::chrono::microseconds;
    const std::pair<const char *, std::optional<std::uint64_t>> numbers[] = {
        {"0", 0},    {"10", 10},   {"0x10", 16}, {"0XfF", 255},
        {"010", {}}, {"1e3", {}},  {"-1", {}},   {"+1", {}},
        {"0x", {}},  {"0x-1", {}}, {"", {}},     {"99999999999999999999", {}}};
    for (const auto &[text, value] : numbers)
        EXPECT_EQ(ParseWholeNumber(text), value) << text;
    const std::pair<const char *, std::optional<microseconds>> times[] = {
        {"5", microseconds(5000)},
        {"500us", microseconds(500)},
        {"5ms", microseconds(5000)},
        {"1.5s", microseconds(1500000)},
        {"0.25ms", microseconds(250)},
        {"86400s", std::chrono::hours(24)},
        {"86400.000001s", {}},
        {"18446744073710s", {}},
        {"5MS", microseconds(5000)},
        {"1.s", {}},
        {".5s", {}},
        {"05ms", {}},
        {"0x10", {}},
        {"1e3", {}},
        {"5 ms", {}},
        {"ms", {}}};
    for (const auto &[text, value] : times)
        EXPECT_EQ(ParseDuration(text, std::chrono::milliseconds(1)), value) << text;
}

// A train puts the pin back after every pulse, from the level it found, one write each.
TEST(Zelvanectl, PulseTrainPutsThePinBackEachTime)
{
    CallTrace trace;
    SetPortOpener([&] {
        return PortOpening{std::make_unique<RecordingPort>(trace, std::deque<std::uint8_t>{0xC4}),
                           {}};
    });
    const Outcome run = zelvanectl({"pulse", "STROBE", "1us", "--count", "3", "--period=3us"});
    SetPortOpener(nullptr);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(trace, (CallTrace{"read 0x37A 0xC4", "write 0x37A 0x05", "write 0x37A 0x04",
                                "write 0x37A 0x05", "write 0x37A 0x04", "write 0x37A 0x05",
                                "write 0x37A 0x04", "close"}));
}

// Every name a pin goes by finds the same register bit.
TEST(Zelvanectl, EveryNameOfAPinIsTheSamePin)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> names = {
        {"C0", {"c0", "pin1", "PIN1", "STROBE", "strobe"}},
        {"D0", {"d0", "pin2"}},
        {"D7", {"d7", "pin9"}},
        {"S6", {"s6", "pin10", "ACK", "Ack"}},
        {"S7", {"pin11", "BUSY"}},
        {"S5", {"pin12", "PAPEROUT", "PE", "pe"}},
        {"S4", {"pin13", "SELECT"}},
        {"C1", {"pin14", "AUTOFD"}},
        {"S3", {"pin15", "ERROR", "FAULT", "fault"}},
        {"C2", {"pin16", "INIT"}},
        {"C3", {"pin17", "SELECTIN"}},
    };
    for (const auto &[label, aliases] : names)
        for (const std::string &alias : aliases)
            EXPECT_EQ(FindPinByAnyName(alias), findPinByLabel(label)) << alias;
    for (const char *nothing : {"pin0", "pin26", "pin02", "S2", "D8", "STROBEX", "pin", ""})
        EXPECT_EQ(FindPinByAnyName(nothing), nullptr) << nothing;
}

// A whole session on the simulated port: every command, in one opening.
TEST(Zelvanectl, EveryCommandOnTheSimulatedPort)
{
    const Outcome run =
        zelvanectl({"--port=sim", "write",   "data",     "0x00",       "set",   "D0=1",
                    "pin6=on",    "C0=0",    "INIT=low", "toggle",     "D4",    "C1",
                    "read",       "ALL",     "get",      "error",      "pin10", "c0",
                    "pulse",      "D1",      "500us",    "--count",    "2",     "sleep",
                    "1ms",        "write",   "control",  "0x04",       "read",  "control",
                    "watch",      "--count", "0",        "--interval", "1",     "loopback-test"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "data 0x01 D0=1 D1=0 D2=0 D3=0 D4=0 D5=0 D6=0 D7=0\n"
              "status 0x8F S3=1 S4=0 S5=0 S6=0 S7=0\n"
              "control 0xC3 C0=0 C1=0 C2=0 C3=1\n"
              "1\n0\n0\n"
              "control 0xC4 C0=1 C1=1 C2=1 C3=1\n"
              "1000.002542 status 0x8F S3=1 S4=0 S5=0 S6=0 S7=0\n"
              "D0->S3 ok\nD1->S4 ok\nD2->S5 ok\nD3->S6 ok\nD4->S7 ok\nloopback test passed\n");
    EXPECT_EQ(run.err, "");
}

// set reads each register it touches once and writes it once; --json is one object a line.
TEST(Zelvanectl, SetWritesEachRegisterOnceAndJsonLines)
{
    CallTrace trace;
    SetPortOpener([&] {
        return PortOpening{
            std::make_unique<RecordingPort>(trace, std::deque<std::uint8_t>{0xFF, 0xD4, 0x78}), {}};
    });
    const Outcome run =
        zelvanectl({"-j", "set", "D3=0", "C0=0", "C3=0", "D7=0", "read", "status", "get", "busy"});
    SetPortOpener(nullptr);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(trace,
              (CallTrace{"read 0x378 0xFF", "write 0x378 0x77", "read 0x37A 0xD4",
                         "write 0x37A 0x0D", "read 0x379 0x78", "read 0x379 0x00", "close"}));
    EXPECT_EQ(run.out, "{\"type\":\"register\",\"register\":\"status\",\"value\":\"0x78\","
                       "\"byte\":120,\"pins\":{\"S3\":1,\"S4\":1,\"S5\":1,\"S6\":1,\"S7\":1}}\n"
                       "{\"type\":\"level\",\"pin\":\"S7\",\"level\":1}\n");
}

// A monitor's events in each form, for S3 (bit 3) rising at the poll of 1 ms and falling at
// that of 4 ms, each poll woken 30us late: only the chosen pins and edges, as the user's
// logic reads them, each stamped; a count or an idle timeout (counted from the last event)
// ends it.
TEST(Zelvanectl, WatchPrintsTheChosenEdgesInEachForm)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    const Case cases[] = {
        {{"watch", "--pins", "error,ACK", "-e", "rising", "-n", "1"},
         "1000.000042 status 0x80 S3=0 S6=0\n1000.001072 S3 rising\n"},
        {{"watch", "--pins", "S3", "--idle-timeout", "3ms"},
         "1000.000042 status 0x80 S3=0\n1000.001072 S3 rising\n1000.004072 S3 falling\n"},
        {{"-l", "fault", "watch", "-n", "2"},
         "1000.000042 status 0x80 S3=1 S4=0 S5=0 S6=0 S7=0\n1000.001072 S3 falling\n"
         "1000.004072 S3 rising\n"},
        {{"-j", "watch", "--pins", "S3", "-n", "2"},
         "{\"type\":\"register\",\"register\":\"status\",\"value\":\"0x80\",\"byte\":128,"
         "\"pins\":{\"S3\":0},\"monotonic\":1000.000042,\"time\":\"2026-12-07T00:16:40.000Z\"}\n"
         "{\"type\":\"event\",\"pin\":\"S3\",\"signal\":\"ERROR\",\"edge\":\"rising\",\"level\":1,"
         "\"monotonic\":1000.001072,\"time\":\"2026-12-07T00:16:40.001Z\"}\n"
         "{\"type\":\"event\",\"pin\":\"S3\",\"signal\":\"ERROR\",\"edge\":\"falling\",\"level\":0,"
         "\"monotonic\":1000.004072,\"time\":\"2026-12-07T00:16:40.004Z\"}\n"},
        {{"watch", "--pins", "S3", "-n", "1", "--format", "%p %s %e %l %t %T 100%%"},
         "S3 ERROR rising 1 1000.001072 2026-12-07T00:16:40.001Z 100%\n"},
    };
    for (const Case &c : cases) {
        CallTrace trace;
        SetPortOpener([&] {
            return PortOpening{
                std::make_unique<RecordingPort>(
                    trace, std::deque<std::uint8_t>{0x80, 0x88, 0x88, 0x88, 0x80}, 0x80),
                {}};
        });
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--interval", "1"});
        FakeClock late(30us);
        const Outcome run = zelvanectl(arguments, &late);
        SetPortOpener(nullptr);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
}

// Each time argument's bare number keeps its unit: milliseconds, but seconds for a watch's
// limits.
TEST(Zelvanectl, BareNumbersKeepTheirUnits)
{
    const std::pair<std::vector<std::string>, WaitClock::Time> cases[] = {
        {{"sleep", "5"}, 5ms},
        {{"sleep", "1.5"}, 1500us},
        {{"pulse", "D0", "2", "-n", "2", "--period", "3"}, 5ms},
        {{"watch", "-n", "1", "--duration", "2", "--interval", "500"}, 2s},
        {{"watch", "--idle-timeout", "1.5", "--interval", "1s"}, 1500ms},
    };
    for (const auto &[arguments, elapsed] : cases) {
        std::vector<std::string> line{"-p", "sim"};
        line.insert(line.end(), arguments.begin(), arguments.end());
        FakeClock clock;
        EXPECT_EQ(zelvanectl(line, &clock).status, 0);
        EXPECT_EQ(clock.elapsed(), elapsed) << arguments[0] << " " << arguments[1];
    }
}

// Every edge where the line's timeline puts it, however late each wake-up (a pulse is timed
// from its first edge, a sleep from the line's last deadline): the trace whole, each wire at
// its real level (-l: as the user's logic reads it) from #0, a first edge after #0.
TEST(Zelvanectl, TraceKeepsEachEdgeOnTheLinesTimeline)
{
    const std::string path = testing::TempDir() + "zelvanectl-train.vcd";
    FakeClock late(30us);
    const Outcome run =
        zelvanectl({"-p",    "sim",    "-l",    "S4",  "pulse", "D1",    "1",        "sleep",
                    "1",     "pulse",  "D0",    "2ms", "-n",    "3",     "--period", "5ms",
                    "watch", "--pins", "S3,S4", "-n",  "0",     "--vcd", path},
                   &late);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1000.014102 status 0x87 S3=0 S4=1\n");
    std::ostringstream vcd;
    vcd << std::ifstream(path).rdbuf();
    std::remove(path.c_str());
    EXPECT_EQ(vcd.str(),
              "$date 2026-12-07T00:16:40Z $end\n$version zelvanectl 1.0.0.1 $end\n"
              "$timescale 1us $end\n$scope module parport $end\n$var wire 1 ! S3 $end\n"
              "$var wire 1 \" S4 $end\n$var wire 1 # D1 $end\n$var wire 1 $ D0 $end\n"
              "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n0!\n1\"\n0#\n0$\n$end\n"
              "#1\n1#\n0\"\n#1030\n0#\n1\"\n#2030\n1$\n1!\n#4060\n0$\n0!\n#7060\n1$\n1!\n"
              "#9060\n0$\n0!\n#12060\n1$\n1!\n#14060\n0$\n0!\n#14061\n");
}

// Pulse edges later than the bound are told once a line, with their count and the latest;
// --strict-timing makes that a failure. A train's first edge starts its timeline, never late.
TEST(Zelvanectl, LatePulseEdgesAreTold)
{
    const std::vector<std::string> train = {"pulse", "D0", "3ms", "-n", "3", "--period", "10ms"};
    struct Row {
        std::chrono::microseconds lateness;
        bool strict;
        int status;
        std::string err;
    };
    const std::string five = "zelvanectl: 5 pulse edges came more than 100us late, the latest by ";
    for (const Row &row : std::vector<Row>{
             {30us, true, 0, ""},
             {100us, true, 0, ""},
             {101us, false, 0, five + "101us\n"},
             {150us, true, 1, five + "150us\n"},
             {2500us, false, 0, five + "2.5ms\n"},
         }) {
        FakeClock late(row.lateness);
        std::vector<std::string> line = {"-p", "sim"};
        if (row.strict)
            line.push_back("--strict-timing");
        line.insert(line.end(), train.begin(), train.end());
        line.insert(line.end(), train.begin(), train.end()); // the same line: told once
        const Outcome run = zelvanectl(line, &late);
        EXPECT_EQ(run.status, row.status) << row.lateness.count();
        EXPECT_EQ(run.err,
                  row.err == "" ? "" : std::regex_replace(row.err, std::regex("5 "), "10 "))
            << row.lateness.count();
    }
    // A script tells each line's own.
    FakeClock late(150us);
    std::istringstream in("pulse D0 3ms -n 3 --period 10ms\nsleep 1ms\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunZelvanectl({"-p", "sim", "-"}, {in, out, err}, &late), 0);
    EXPECT_EQ(err.str(), five + "150us\n");
}

// Each write is one instant in a trace, however long the accesses around it take: all the
// pins it changed at one time, and what the inputs answered at the next.
TEST(Zelvanectl, TraceStampsAWriteOnce)
{
    const std::string path = testing::TempDir() + "zelvanectl-write.vcd";
    FakeClock ticking({}, 1us);
    const Outcome run = zelvanectl({"-p", "sim", "write", "data", "0xFF", "watch", "-n", "0",
                                    "--pins", "S3,S4", "--vcd", path},
                                   &ticking);
    EXPECT_EQ(run.status, 0) << run.err;
    std::ostringstream vcd;
    vcd << std::ifstream(path).rdbuf();
    std::remove(path.c_str());
    EXPECT_EQ(vcd.str(),
              "$date 2026-12-07T00:16:40Z $end\n$version zelvanectl 1.0.0.1 $end\n"
              "$timescale 1us $end\n$scope module parport $end\n$var wire 1 ! S3 $end\n"
              "$var wire 1 \" S4 $end\n$var wire 1 # D0 $end\n$var wire 1 $ D1 $end\n"
              "$var wire 1 % D2 $end\n$var wire 1 & D3 $end\n$var wire 1 ' D4 $end\n"
              "$var wire 1 ( D5 $end\n$var wire 1 ) D6 $end\n$var wire 1 * D7 $end\n"
              "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n0!\n0\"\n0#\n0$\n0%\n"
              "0&\n0'\n0(\n0)\n0*\n$end\n#3\n1#\n1$\n1%\n1&\n1'\n1(\n1)\n1*\n#4\n1!\n1\"\n"
              "#6\n");
}

// D0-D7 turned in read the pins (on the simulated port, high where nothing drives them), are
// watched as inputs and take no writes; turned out, they show what was set before. Watching
// them as outputs is refused too.
TEST(Zelvanectl, DataPinsAsInputs)
{
    const Outcome run = zelvanectl({"-p",
                                    "sim",
                                    "set",
                                    "D1=0",
                                    "data-direction",
                                    "IN",
                                    "get",
                                    "D1",
                                    "read",
                                    "data",
                                    "watch",
                                    "--pins",
                                    "S4,D1",
                                    "-n",
                                    "0",
                                    "data-direction",
                                    "out",
                                    "get",
                                    "D1",
                                    "set",
                                    "D2=1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1\ndata 0xFF D0=1 D1=1 D2=1 D3=1 D4=1 D5=1 D6=1 D7=1\n"
                       "1000.000042 status 0x7F S4=1\n1000.000042 data 0xFF D1=1\n0\n");
    for (const auto &[line, says] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-p", "sim", "data-direction", "in", "set", "D2=1"},
              "zelvanectl: D2 is an input now; data-direction out makes it an output again\n"},
             {{"-p", "sim", "watch", "--pins", "D2"},
              "zelvanectl: D2 is an output; data-direction in makes D0-D7 inputs\n"}}) {
        const Outcome refused = zelvanectl(line);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, says);
    }
}

// A shared port is claimed for one command's accesses and let go of after it; between a
// pulse's edges only other copies are kept off (each edge claims on its own), and not even
// they in a wait of an access bound or more.
TEST(Zelvanectl, ThePortIsClaimedPerCommandAndOnlyReservedBetweenPulseEdges)
{
    class HoldingPort final : public PortBackend {
    public:
        explicit HoldingPort(CallTrace &trace) : m_trace(trace) {}
        ~HoldingPort() override { m_trace.push_back("close"); }
        bool readRegister(PortRegister, std::uint8_t &value) override
        {
            m_trace.push_back("read");
            value = 0;
            return true;
        }
        bool writeRegister(PortRegister, std::uint8_t value) override
        {
            m_trace.push_back("write " + HexByte(value));
            return true;
        }
        std::string describe() const override { return "holding port"; }
        bool hold() override
        {
            m_trace.push_back("hold");
            return true;
        }
        bool reserve() override
        {
            m_trace.push_back("reserve");
            return true;
        }
        void letGo() override { m_trace.push_back("let go"); }

    private:
        CallTrace &m_trace;
    };
    const std::pair<std::vector<std::string>, CallTrace> cases[] = {
        {{"pulse", "D0", "249ms"},
         {"hold", "read", "let go", "reserve", "write 0x01", "write 0x00", "let go", "close"}},
        {{"pulse", "D0", "250ms"},
         {"hold", "read", "let go", "reserve", "write 0x01", "let go", "hold", "write 0x00",
          "let go", "close"}},
        {{"set", "D0=1", "set", "D1=1"},
         {"hold", "read", "write 0x01", "let go", "hold", "read", "write 0x02", "let go", "close"}},
    };
    for (const auto &[line, accesses] : cases) {
        CallTrace trace;
        SetPortOpener([&] { return PortOpening{std::make_unique<HoldingPort>(trace), {}}; });
        EXPECT_EQ(zelvanectl(line).status, 0);
        SetPortOpener(nullptr);
        EXPECT_EQ(trace, accesses) << line[0] << " " << line[2];
    }
}

// Signals ignored at start (nohup) stay ignored, each of the four.
TEST(Zelvanectl, StopSignalsIgnoredAtStartStayIgnored)
{
    for (const int signal : StopSignals::kSignals) {
        std::signal(signal, SIG_IGN);
        {
            const StopSignals stops;
            std::raise(signal);
            EXPECT_EQ(StopSignals::received(), 0) << signal;
        }
        std::signal(signal, SIG_DFL);
    }
}

TEST(Zelvanectl, ExitStatuses)
{
    for (const std::vector<std::string> &help :
         {std::vector<std::string>{"-h"}, {"-hV"}, {"-jh"}, {"--he"}, {"read", "data", "-h"}}) {
        const Outcome run = zelvanectl(help);
        EXPECT_EQ(run.status, 0) << help[0];
        EXPECT_EQ(run.out.rfind("Usage: zelvanectl", 0), 0u) << help[0] << ": " << run.err;
    }
    EXPECT_EQ(zelvanectl({"-V"}).out, "zelvanectl 1.0.0.1\n");
    const Outcome quiet = zelvanectl({"-q", "-p", "sim", "read", "all", "pins"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "") << "--quiet";
    const Outcome none = zelvanectl({"--port", "none", "read", "data"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "zelvanectl: cannot open the port:\n  --port=none: no port opened\n");
    EXPECT_EQ(zelvanectl({"-p", "none", "--", "pins", "sleep", "0"}).status, 0) << "no port needed";

    CallTrace trace;
    SetPortOpener([&] {
        auto port = std::make_unique<RecordingPort>(trace);
        port->goAway();
        return PortOpening{std::move(port), {}};
    });
    const Outcome refused = zelvanectl({"write", "data", "1", "read", "data"});
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
