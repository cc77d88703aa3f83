#include "zelvane.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kForever = -1;
constexpr int64_t kMillisecond = 1000000;

struct Port {
    zelvane *h = nullptr;
    Port() { EXPECT_EQ(zelvane_open("sim", &h), ZELVANE_OK) << zelvane_error_cause(); }
    ~Port() { zelvane_close(h); }
    unsigned reg(int which) const
    {
        unsigned value = 0;
        EXPECT_EQ(zelvane_read(h, which, &value), ZELVANE_OK);
        return value;
    }
};

std::string fileText(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(Library, AbiVersionAndNames)
{
    EXPECT_EQ(zelvane_abi_version(), ZELVANE_ABI_VERSION);
    EXPECT_EQ(ZELVANE_ABI_VERSION, 1);
    for (const auto &[name, number] : std::vector<std::pair<const char *, int>>{{"D0", 2},
                                                                                {"d7", 9},
                                                                                {"pin2", 2},
                                                                                {"2", 2},
                                                                                {"25", 25},
                                                                                {"BUSY", 11},
                                                                                {"S7", 11},
                                                                                {"nACK", 10},
                                                                                {"ack", 10},
                                                                                {"nStrobe", 1},
                                                                                {"C0", 1},
                                                                                {"PE", 12},
                                                                                {"nBusy", -1},
                                                                                {"26", -1},
                                                                                {"0", -1},
                                                                                {"2x", -1},
                                                                                {"", -1},
                                                                                {nullptr, -1}})
        EXPECT_EQ(zelvane_pin_number(name), number) << (name ? name : "NULL");
}

// Every refused call says why and how to fix it, and leaves the port as it was.
TEST(Library, BadCallsAreRefusedWithTheirCause)
{
    Port port, in, closed, pulsing;
    uint64_t long_pulse = 0;
    ASSERT_EQ(zelvane_pulse(pulsing.h, 1, 1, 10000 * kMillisecond, -1, 0, &long_pulse), ZELVANE_OK);
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0x5A), ZELVANE_OK);
    ASSERT_EQ(zelvane_set_data_direction(in.h, 1), ZELVANE_OK);
    ASSERT_EQ(zelvane_close(closed.h), ZELVANE_OK);
    const unsigned control = port.reg(ZELVANE_CONTROL);
    int never = 0;
    zelvane *const stale = reinterpret_cast<zelvane *>(&never);
    const std::string missing = testing::TempDir() + "no-such-folder/trace.vcd";
    unsigned value = 0;
    int level = 0;
    uint64_t id = 0;
    zelvane_edge edge{};
    zelvane *opened = nullptr;
    const int64_t ms = kMillisecond;
    const zelvane_status A = ZELVANE_E_ARGUMENT, C = ZELVANE_E_CLOSED, D = ZELVANE_E_DIRECTION;
    struct Row {
        const char *call;
        std::function<int()> run;
        int status;
    };
    zelvane *const h = port.h;
    const std::vector<Row> rows = {
        {"read NULL", [&] { return zelvane_read(nullptr, ZELVANE_DATA, &value); }, A},
        {"read stale", [&] { return zelvane_read(stale, ZELVANE_DATA, &value); }, A},
        {"read closed", [&] { return zelvane_read(closed.h, ZELVANE_DATA, &value); }, C},
        {"close closed", [&] { return zelvane_close(closed.h); }, C},
        {"close NULL", [&] { return zelvane_close(nullptr); }, A},
        {"pulse closed", [&] { return zelvane_pulse(closed.h, 1, 1, ms, -1, 0, &id); }, C},
        {"read register 3", [&] { return zelvane_read(h, 3, &value); }, A},
        {"read into NULL", [&] { return zelvane_read(h, ZELVANE_DATA, nullptr); }, A},
        {"write status", [&] { return zelvane_write(h, ZELVANE_STATUS, 0); }, A},
        {"write data 256", [&] { return zelvane_write(h, ZELVANE_DATA, 256); }, A},
        {"write control 0x10", [&] { return zelvane_write(h, ZELVANE_CONTROL, 0x10); }, A},
        {"get pin 0", [&] { return zelvane_get_pin(h, 0, &level); }, A},
        {"get pin 18", [&] { return zelvane_get_pin(h, 18, &level); }, A},
        {"get pin 26", [&] { return zelvane_get_pin(h, 26, &level); }, A},
        {"set input S6", [&] { return zelvane_set_pin(h, 10, 1); }, D},
        {"set level 2", [&] { return zelvane_set_pin(h, 2, 2); }, A},
        {"set ground", [&] { return zelvane_set_pin(h, 25, 1); }, A},
        {"direction 2", [&] { return zelvane_set_data_direction(h, 2); }, A},
        {"pulse 0 ns", [&] { return zelvane_pulse(h, 1, 1, 0, -1, 0, &id); }, A},
        {"pulse value 256", [&] { return zelvane_pulse(h, 256, 1, ms, -1, 0, &id); }, A},
        {"pulse mask 256", [&] { return zelvane_pulse(h, 1, 256, ms, -1, 0, &id); }, A},
        {"pulse after 256", [&] { return zelvane_pulse(h, 1, 1, ms, 256, 0, &id); }, A},
        {"pulse after -2", [&] { return zelvane_pulse(h, 1, 1, ms, -2, 0, &id); }, A},
        {"pulse on_busy 3", [&] { return zelvane_pulse(h, 1, 1, ms, -1, 3, &id); }, A},
        {"pulse id NULL", [&] { return zelvane_pulse(h, 1, 1, ms, -1, 0, nullptr); }, A},
        {"wait unknown", [&] { return zelvane_pulse_wait(h, 999, 0, nullptr, nullptr); }, A},
        {"pulse data in", [&] { return zelvane_pulse(in.h, 1, 1, ms, -1, 0, &id); }, D},
        {"set D0 data in", [&] { return zelvane_set_pin(in.h, 2, 1); }, D},
        {"write data in", [&] { return zelvane_write(in.h, ZELVANE_DATA, 1); }, D},
        {"watch pin 0", [&] { return zelvane_watch_start(h, 1u, ms); }, A},
        {"watch pin 18", [&] { return zelvane_watch_start(h, 1u << 18, ms); }, A},
        {"watch no pins", [&] { return zelvane_watch_start(h, 0, ms); }, A},
        {"watch 0 ns", [&] { return zelvane_watch_start(h, 1u << 10, 0); }, A},
        {"next unwatched", [&] { return zelvane_watch_next(h, &edge, 0); }, A},
        {"record nowhere", [&] { return zelvane_record_start(h, missing.c_str()); }, A},
        {"record NULL", [&] { return zelvane_record_start(h, nullptr); }, A},
        {"name in 1 byte",
         [&] {
             char b[1];
             return zelvane_port_name(h, b, 1);
         },
         A},
        {"direction in while pulsing", [&] { return zelvane_set_data_direction(pulsing.h, 1); },
         ZELVANE_E_BUSY},
        {"open bogus", [&] { return zelvane_open("bogus", &opened); }, A},
        {"open NULL, ZELVANE_PORT bogus",
         [&] {
             setenv("ZELVANE_PORT", "bogus", 1);
             const int status = zelvane_open(nullptr, &opened);
             unsetenv("ZELVANE_PORT");
             return status;
         },
         A},
        {"open no node", [&] { return zelvane_open("ppdev:/dev/parport97", &opened); },
         ZELVANE_E_OPEN},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.run(), row.status) << row.call;
        EXPECT_STRNE(zelvane_error_cause(), "") << row.call;
        EXPECT_STRNE(zelvane_error_fix(), "") << row.call;
    }
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(port.reg(ZELVANE_DATA), 0x5Au);
    EXPECT_EQ(port.reg(ZELVANE_CONTROL), control);
}

TEST(Library, PinsAndRegistersOnTheLoopbackPlug)
{
    Port port;
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0x00), ZELVANE_OK);
    for (int pin = 2; pin <= 9; pin += 2)
        ASSERT_EQ(zelvane_set_pin(port.h, pin, 1), ZELVANE_OK);
    EXPECT_EQ(port.reg(ZELVANE_DATA), 0x55u);
    ASSERT_EQ(zelvane_set_pin(port.h, 1, 0), ZELVANE_OK); // C0 is inverted in its register
    int level = -1, input = -1;
    EXPECT_EQ(zelvane_get_pin(port.h, 1, &level), ZELVANE_OK);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(port.reg(ZELVANE_CONTROL) & 0x01, 0x01u);
    EXPECT_EQ(zelvane_data_direction(port.h, &input), ZELVANE_OK);
    EXPECT_EQ(input, 0);
    char name[128];
    EXPECT_EQ(zelvane_port_name(port.h, name, sizeof name), ZELVANE_OK);
    EXPECT_STREQ(name, "simulated port with loopback plug");
}

// Threads share one handle: each read-modify-write of a pin is whole, however they interleave.
TEST(Library, ThreadsShareAHandle)
{
    Port port;
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0x00), ZELVANE_OK);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int pin = 2; pin <= 9; ++pin)
        threads.emplace_back([&, pin] {
            for (int n = 0; n < 2000; ++n)
                failures += zelvane_set_pin(port.h, pin, (n + 1) % 2) != ZELVANE_OK;
            failures += zelvane_set_pin(port.h, pin, pin % 2) != ZELVANE_OK;
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(port.reg(ZELVANE_DATA), 0xAAu);
}

// The handle's threads leave signals to the program's own threads.
TEST(Library, ThreadsOfTheHandleTakeNoSignals)
{
    Port port;
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0), ZELVANE_OK);
    ASSERT_EQ(zelvane_watch_start(port.h, 1u << 2, kMillisecond), ZELVANE_OK);
    uint64_t id = 0;
    zelvane_edge edge{};
    ASSERT_EQ(zelvane_pulse(port.h, 1, 1, kMillisecond, -1, 0, &id), ZELVANE_OK);
    // Both threads have run (until a new thread runs, it shows every signal blocked).
    ASSERT_EQ(zelvane_pulse_wait(port.h, id, kForever, nullptr, nullptr), ZELVANE_OK);
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 1), ZELVANE_OK);
    ASSERT_EQ(zelvane_watch_next(port.h, &edge, 5000 * kMillisecond), ZELVANE_OK);
    std::vector<std::string> blocked; // each thread but this one: its blocked signals
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        if (task.path().filename() == std::to_string(getpid()))
            continue;
        const std::string status = fileText(task.path() / "status");
        const std::size_t at = status.find("SigBlk:\t");
        blocked.push_back(status.substr(at + 8, status.find('\n', at) - at - 8));
    }
    ASSERT_EQ(blocked.size(), 2u); // the pulses' and the watch's
    for (const std::string &mask : blocked) {
        const unsigned long long bits = std::stoull(mask, nullptr, 16);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGALRM, SIGCHLD, SIGUSR1})
            EXPECT_TRUE(bits & (1ull << (signal - 1))) << signal << " in " << mask;
    }
}

// A close racing other calls: each of them either worked or found the handle closed.
TEST(Library, CloseRacingCalls)
{
    zelvane *h = nullptr;
    ASSERT_EQ(zelvane_open("sim", &h), ZELVANE_OK);
    uint64_t id = 0;
    ASSERT_EQ(zelvane_pulse(h, 1, 1, 50 * kMillisecond, -1, 0, &id), ZELVANE_OK);
    ASSERT_EQ(zelvane_watch_start(h, 1u << 10, kMillisecond), ZELVANE_OK);
    std::atomic<int> odd{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int n = 0; n < 500; ++n) {
                unsigned value = 0;
                const int read = zelvane_read(h, ZELVANE_STATUS, &value);
                const int closed = zelvane_close(h);
                odd += (read != ZELVANE_OK && read != ZELVANE_E_CLOSED) ||
                       (closed != ZELVANE_OK && closed != ZELVANE_E_CLOSED);
            }
        });
    const int waited = zelvane_pulse_wait(h, id, kForever, nullptr, nullptr);
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(odd, 0);
    EXPECT_TRUE(waited == ZELVANE_OK || waited == ZELVANE_E_CLOSED) << waited;
    EXPECT_EQ(zelvane_close(h), ZELVANE_E_CLOSED);
}

// The child of a fork finds its parent's handle closed, leaves it alone at its exit, and
// opens its own.
TEST(Library, ForkedChildLeavesTheParentsHandle)
{
    Port port;
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0x11), ZELVANE_OK);
    // The handle's thread idle first: the sanitizers' allocator, unlike glibc's, is not locked
    // across fork, so a child could inherit its lock held by a thread still starting.
    uint64_t id = 0;
    int64_t on = 0, off = 0;
    ASSERT_EQ(zelvane_pulse(port.h, 0x11, 0xFF, kMillisecond, ZELVANE_AFTER_RESTORE,
                            ZELVANE_BUSY_RAISE, &id),
              ZELVANE_OK);
    ASSERT_EQ(zelvane_pulse_wait(port.h, id, -1, &on, &off), ZELVANE_OK);
    const pid_t child = fork();
    if (child == 0) {
        zelvane *own = nullptr;
        const bool ok = zelvane_write(port.h, ZELVANE_DATA, 0x22) == ZELVANE_E_CLOSED &&
                        zelvane_close(port.h) == ZELVANE_E_CLOSED &&
                        zelvane_open("sim", &own) == ZELVANE_OK &&
                        zelvane_write(own, ZELVANE_DATA, 0x33) == ZELVANE_OK;
        std::exit(ok ? 0 : 1); // exit handlers run, as at a child's ordinary end
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(port.reg(ZELVANE_DATA), 0x11u);
}

// A process that ends without closing: its pulse under way is put back and its recording
// finished, by the exit handlers.
TEST(Library, ExitPutsThePulseBackAndFinishesTheRecording)
{
    const std::string path = testing::TempDir() + "library-exit.vcd";
    const pid_t child = fork();
    if (child == 0) {
        zelvane *h = nullptr;
        uint64_t id = 0;
        const bool ok = zelvane_open("sim", &h) == ZELVANE_OK &&
                        zelvane_write(h, ZELVANE_DATA, 0) == ZELVANE_OK &&
                        zelvane_record_start(h, path.c_str()) == ZELVANE_OK &&
                        zelvane_pulse(h, 1, 1, 60000 * kMillisecond, -1, 0, &id) == ZELVANE_OK;
        unsigned data = 0;
        while (ok && zelvane_read(h, ZELVANE_DATA, &data) == ZELVANE_OK && data == 0) {
        } // the pulse under way
        std::exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    const std::string vcd = fileText(path);
    std::remove(path.c_str());
    const std::string body = vcd.substr(vcd.find("$end\n", vcd.find("$dumpvars")) + 5);
    EXPECT_EQ(std::regex_replace(body, std::regex("#\\d+\n"), "#\n"), "#\n1\"\n#\n0\"\n#\n");
}

// One pulse: reported on and off times in order, its edges in the recording at them (each
// write one instant, both pins together), and the data put back.
TEST(Library, PulseTimesAndItsTrace)
{
    Port port;
    const std::string path = testing::TempDir() + "library-pulse.vcd";
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0xF0), ZELVANE_OK);
    ASSERT_EQ(zelvane_record_start(port.h, path.c_str()), ZELVANE_OK);
    const int64_t asked = zelvane_now_ns();
    uint64_t id = 0, second = 0, dropped = 0;
    ASSERT_EQ(zelvane_pulse(port.h, 0x05, 0x0F, 2 * kMillisecond, ZELVANE_AFTER_RESTORE,
                            ZELVANE_BUSY_RAISE, &id),
              ZELVANE_OK);
    EXPECT_EQ(zelvane_pulse(port.h, 1, 1, kMillisecond, -1, ZELVANE_BUSY_RAISE, &dropped),
              ZELVANE_E_BUSY);
    EXPECT_EQ(zelvane_pulse(port.h, 1, 1, kMillisecond, -1, ZELVANE_BUSY_DROP, &dropped),
              ZELVANE_E_BUSY);
    EXPECT_EQ(dropped, 0u);
    ASSERT_EQ(zelvane_pulse(port.h, 0x00, 0x80, kMillisecond, 0x0F, ZELVANE_BUSY_QUEUE, &second),
              ZELVANE_OK);
    int64_t on = 0, off = 0, on2 = 0, off2 = 0;
    ASSERT_EQ(zelvane_pulse_wait(port.h, id, kForever, &on, &off), ZELVANE_OK);
    ASSERT_EQ(zelvane_pulse_wait(port.h, second, kForever, &on2, &off2), ZELVANE_OK);
    ASSERT_EQ(zelvane_record_stop(port.h), ZELVANE_OK);
    EXPECT_LE(asked, on);
    EXPECT_LE(on + 2 * kMillisecond, off);
    EXPECT_LE(off, on2);
    EXPECT_LE(on2 + kMillisecond, off2);
    EXPECT_EQ(port.reg(ZELVANE_DATA), 0x0Fu);
    // The body, with its times apart as the reported ones are (to the microsecond).
    const std::string vcd = fileText(path);
    std::remove(path.c_str());
    const std::string body = vcd.substr(vcd.find("$end\n", vcd.find("$dumpvars")) + 5);
    std::vector<int64_t> times;
    const std::regex stamp("#(\\d+)\n");
    for (auto t = std::sregex_iterator(body.begin(), body.end(), stamp);
         t != std::sregex_iterator(); ++t)
        times.push_back(std::stoll((*t)[1]));
    EXPECT_EQ(std::regex_replace(body, stamp, "#\n"),
              "#\n1\"\n1$\n#\n0\"\n0$\n#\n0)\n#\n1\"\n1#\n1$\n1%\n0&\n0'\n0(\n#\n");
    ASSERT_EQ(times.size(), 5u);
    const int64_t reported[] = {on, off, on2, off2};
    for (std::size_t n = 1; n < 4; ++n)
        EXPECT_NEAR(times[n] - times[0], (reported[n] - on) / 1000, 1) << n;
}

TEST(Library, WatchQueuesEdgesInOrder)
{
    Port port;
    ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, 0x00), ZELVANE_OK);
    ASSERT_EQ(zelvane_watch_start(port.h, (1u << 2) | (1u << 3) | (1u << 10), 100000), ZELVANE_OK);
    zelvane_edge edge{};
    EXPECT_EQ(zelvane_watch_next(port.h, &edge, 0), ZELVANE_E_TIMEOUT);
    int64_t last = zelvane_now_ns();
    std::vector<std::pair<int, int>> seen;
    for (unsigned data : {0x03u, 0x00u}) {
        ASSERT_EQ(zelvane_write(port.h, ZELVANE_DATA, data), ZELVANE_OK);
        for (int n = 0; n < 2; ++n) {
            ASSERT_EQ(zelvane_watch_next(port.h, &edge, 5000 * kMillisecond), ZELVANE_OK);
            seen.emplace_back(edge.pin, edge.level);
            EXPECT_LE(last, edge.t_ns);
            last = edge.t_ns;
        }
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{2, 1}, {3, 1}, {2, 0}, {3, 0}}));
    EXPECT_EQ(zelvane_watch_stop(port.h), ZELVANE_OK);
    EXPECT_EQ(zelvane_watch_next(port.h, &edge, 0), ZELVANE_E_ARGUMENT);
}

} // namespace
