// Runs inside a QEMU guest whose only device at 0x378 is the emulated parallel port.
// Each mode drives the real port and panel libraries and checks what they saw; the host
// checks what reached the wire.
// Usage: guest_port_check MODE, one of the modes in main
#include "BenchTiming.h"
#include "CallTrace.h"
#include "CtlCommandLine.h"
#include "CtlSession.h"
#include "DirectPort.h"
#include "DirectPortGrant.h"
#include "GuestSamplingBench.h"
#include "KernelParport.h"
#include "PinPanel.h"
#include "PortOpening.h"
#include "PpdevPort.h"
#include "WinIo.h"
#include "Zelvanectl.h"

#include <chrono>
#include <cmath>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iostream>
#include <linux/ppdev.h>
#include <sstream>
#include <string>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int g_failures = 0;

// README's bound on an access (the wait for another copy), with room for the emulator.
constexpr double kAccessBoundMs = PpdevPort::kAccessWait.count() + 100;

#define CHECK(condition, ...)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ++g_failures;                                                                          \
            std::printf("CHECK FAILED %s:%d: %s ", __FILE__, __LINE__, #condition);                \
            std::printf(__VA_ARGS__);                                                              \
            std::printf("\n");                                                                     \
        }                                                                                          \
    } while (0)

CallTrace g_accesses; // every access of the port opened through the tap
std::vector<std::string> g_refusals;

// The bytes the accesses since the last clear read, in order.
std::vector<std::uint8_t> bytesRead()
{
    std::vector<std::uint8_t> bytes;
    for (const std::string &access : g_accesses)
        if (access.rfind("read ", 0) == 0)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(access.substr(11), nullptr, 16)));
    return bytes;
}

bool openThroughTap()
{
    SetPortOpener([]() -> PortOpening {
        PortOpening opening = OpenPortBackend(SelectedPortChoice());
        g_refusals = opening.refusals;
        for (const auto &refusal : opening.refusals)
            std::printf("refused: %s\n", refusal.c_str());
        if (!opening.backend)
            return opening;
        return {std::make_unique<TracedPort>(g_accesses, std::move(opening.backend)), {}};
    });
    return InitializeWinIo();
}

std::string capabilityLine(const char *name)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0)
            return line.substr(line.find_first_not_of(" \t", std::string(name).size()));
    return "?";
}

// Clicks that put one data byte per listed data pin on the wire: each pin is switched low,
// then C0 low gives the strobe's rising edge with INIT and SELECT set (control 0x0C -> 0x0D).
void sendBytesByClicking(const std::vector<unsigned> &dataPins, CallTrace &trace)
{
    RecordingSink sink(trace);
    PinLevels levels;
    InitTogglePass(levels, sink);
    ClickOutputPin(levels, sink, 1054); // C3 low: control 0x0C
    for (unsigned pin : dataPins) {
        ClickOutputPin(levels, sink, 1039 + pin);
        ClickOutputPin(levels, sink, 1037); // C0 low: 0x0D, the byte goes out
        ClickOutputPin(levels, sink, 1037); // C0 high: 0x0C
    }
}

void checkControlReadShows(std::uint8_t expectedReadBack, const char *what)
{
    CallTrace trace;
    RecordingSink sink(trace);
    g_accesses.clear();
    ReadControlPort(sink);
    const auto reads = bytesRead();
    CHECK(reads.size() == 2, "control read reads twice, got %zu", reads.size());
    if (reads.size() != 2)
        return;
    const std::uint8_t readBack = reads[1];
    CHECK(readBack == expectedReadBack, "%s: read back 0x%02X, expected 0x%02X", what, readBack,
          expectedReadBack);
    CHECK((trace == CallTrace{"show 1054 CTRL_HIGH", "show 1053 CTRL_HIGH", "show 1051 CTRL_HIGH",
                              "show 1037 CTRL_HIGH"}),
          "%s: released control pins all show high", what);
}

void checkStatusReadDecodesThePort()
{
    for (int i = 0; i < 4; ++i) { // the emulated printer's handshake changes the status
        CallTrace trace;
        RecordingSink sink(trace);
        g_accesses.clear();
        ReadStatusPort(sink);
        const auto reads = bytesRead();
        CHECK(reads.size() == 1, "status read reads once");
        if (reads.size() != 1)
            continue;
        const std::uint8_t v = reads[0];
        const std::uint8_t flags = ((v >> 3) & 0x1F) ^ 0x10;
        const unsigned order[] = {3, 4, 2, 1, 0}; // S6 S7 S5 S4 S3
        const unsigned ids[] = {1047, 1048, 1049, 1050, 1052};
        CallTrace expected;
        for (int k = 0; k < 5; ++k)
            expected.push_back("show " + std::to_string(ids[k]) +
                               ((flags >> order[k]) & 1 ? " HIGH" : " IN_LOW"));
        CHECK(trace == expected, "status 0x%02X decoded", v);
    }
}

sigjmp_buf g_faultJump;

void jumpBackFromFault(int)
{
    siglongjmp(g_faultJump, 1);
}

bool touchingFaults(unsigned address)
{
    struct sigaction catchFault {
    }, previous{};
    catchFault.sa_handler = jumpBackFromFault;
    sigaction(SIGSEGV, &catchFault, &previous);
    bool faulted = true;
    if (sigsetjmp(g_faultJump, 1) == 0) {
        keep(inb(static_cast<unsigned short>(address)));
        faulted = false;
    }
    sigaction(SIGSEGV, &previous, nullptr);
    return faulted;
}

void checkNothingOutsideTheRegisters()
{
    std::uint32_t word = 0;
    for (unsigned address : {0x377u, 0x37Bu, 0x37Fu, 0x278u, 0x3BCu, 0x80u}) {
        CHECK(!SetPortVal(address, 0x55, 1), "write to 0x%X refused", address);
        CHECK(!GetPortVal(address, &word, 1), "read of 0x%X refused", address);
    }
    CHECK(!SetPortVal(0x378, 0x55, 2), "a two-byte write is refused");
    // The grant covers exactly 0x378-0x37A: in this very process, 0x37B faults.
    for (unsigned address : {0x378u, 0x379u, 0x37Au, 0x37Bu, 0x377u}) {
        const bool inside = address >= 0x378 && address <= 0x37A;
        CHECK(touchingFaults(address) == !inside, "0x%X %s", address,
              inside ? "reached" : "faults");
    }
}

// A program started by fork and exec, as root, after the grant: it must hold no capability
// and fault on the status register (the child-probe mode below).
void checkAChildGetsNothing()
{
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "check", "child-probe", nullptr);
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    CHECK(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV,
          "the child faults on 0x379 (status 0x%X: exit 3 means it held a capability)", status);
}

int runChildProbe()
{
    for (const char *set : {"CapEff:", "CapPrm:", "CapInh:", "CapAmb:", "CapBnd:"})
        if (capabilityLine(set) != "0000000000000000")
            return 3;
    keep(inb(0x379));
    return 0;
}

int runDirect()
{
    const DirectPortGrant &grant = RequestDirectPortGrant();
    CHECK(grant.granted, "ioperm granted: %s", grant.refusal.c_str());
    for (const char *set : {"CapEff:", "CapPrm:", "CapInh:", "CapAmb:", "CapBnd:"})
        CHECK(capabilityLine(set) == "0000000000000000", "%s %s", set, capabilityLine(set).c_str());
    CHECK(capabilityLine("NoNewPrivs:") == "1", "no_new_privs set");
    checkAChildGetsNothing();
    CHECK(openThroughTap(), "direct backend opens");
    CHECK(OpenPortDescription() == "direct I/O at 0x378", "%s", OpenPortDescription().c_str());

    CallTrace trace;
    sendBytesByClicking({0, 1, 7}, trace);
    // The real register: QEMU reads control back with bits 6-7 set.
    checkControlReadShows(0xC4, "direct");
    CHECK(inb(0x37A) == 0xC4, "the register holds the released value");
    checkStatusReadDecodesThePort();
    checkNothingOutsideTheRegisters();
    ShutdownWinIo();
    return 0;
}

bool becomeOrdinaryUser(gid_t group)
{
    if (setgroups(1, &group) == 0 && setgid(group) == 0 && setuid(1000) == 0)
        return true;
    std::printf("cannot become uid 1000 in group %u\n", group);
    return false;
}

int runPpdevAsLpUser()
{
    // As an ordinary user in the lp group, with no capability at all.
    if (!becomeOrdinaryUser(7))
        return 1;
    CHECK(capabilityLine("CapEff:") == "0000000000000000", "unprivileged");
    CHECK(openThroughTap(), "ppdev opens for the lp group");
    CHECK(OpenPortDescription() == "ppdev /dev/parport0", "%s", OpenPortDescription().c_str());
    CallTrace trace;
    sendBytesByClicking({2, 3, 6}, trace);
    // ppdev answers from its copy of the last write, without the device's bits 6-7.
    checkControlReadShows(0x04, "ppdev");
    checkStatusReadDecodesThePort();
    ShutdownWinIo();
    return 0;
}

int runPpdevOutsideLp()
{
    if (!becomeOrdinaryUser(100))
        return 1;
    SelectPortChoice(ParsePortChoice("direct"));
    const DirectPortGrant &grant = RequestDirectPortGrant();
    CHECK(grant.refusal == "ioperm 0x378-0x37A: permission denied: direct I/O needs root or "
                           "CAP_SYS_RAWIO; fix: use ZELVANE_PORT=ppdev, or sudo setcap "
                           "cap_sys_rawio+ep on the program",
          "direct refused to a user: %s", grant.refusal.c_str());
    SelectPortChoice(ParsePortChoice("ppdev"));
    CHECK(!openThroughTap(), "no port without the lp group");
    CHECK(g_refusals.size() == 1 &&
              g_refusals[0].rfind("ppdev: /dev/parport0: permission denied: /dev/parport0 belongs "
                                  "to group lp, which this session is not in; fix: ",
                                  0) == 0,
          "the user is told why");
    return 0;
}

int runAuto()
{
    RequestDirectPortGrant();
    CHECK(openThroughTap(), "auto opens a port");
    CHECK(OpenPortDescription() == "direct I/O at 0x378", "auto chose %s",
          OpenPortDescription().c_str());
    CallTrace trace;
    sendBytesByClicking({4, 5, 0}, trace);
    ShutdownWinIo();
    return 0;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Milliseconds that one SetPortVal took, and whether it reached the port.
std::pair<double, bool> timedWrite(std::uint8_t value)
{
    const auto start = std::chrono::steady_clock::now();
    const bool done = SetPortVal(0x378, value, 1);
    return {secondsSince(start) * 1000, done};
}

// A busy port still opens; an access that cannot get it fails within the bound, and the
// user hears once that another program held it.
int runWhileHeld()
{
    std::vector<std::string> notices;
    SetPortNoticeHandler([&](const PortNotice &notice) { notices.push_back(notice.text); });
    CHECK(openThroughTap(), "a port that is merely busy opens");
    for (int i = 0; i < 2; ++i) {
        const auto [ms, done] = timedWrite(0x11);
        CHECK(!done, "an access to a held port fails");
        CHECK(ms < kAccessBoundMs, "it gave up after %.0f ms", ms);
        std::printf("GUEST-TIMING access to a held port gave up after %.0f ms\n", ms);
    }
    CHECK(notices.size() == 1, "told once, got %zu", notices.size());
    for (const auto &notice : notices)
        std::printf("GUEST-NOTICE %s\n", notice.c_str());
    ShutdownWinIo();
    return 0;
}

void noteSignal(int)
{
}

// What reaches the opening while it waits on a held port: signals the program did not ask
// for, handled without SA_RESTART as many programs do.
void sendSignalsMeanwhile(const std::string &kind)
{
    const pid_t opener = getpid();
    if (fork() != 0)
        return;
    if (kind == "alarm") {
        usleep(400000);
        kill(opener, SIGALRM);
    } else if (kind == "stop") {
        usleep(300000);
        kill(opener, SIGSTOP);
        usleep(300000);
        kill(opener, SIGCONT);
    } else {
        for (int i = 0; i < 20; ++i) {
            usleep(30000);
            kill(opener, i % 2 ? SIGUSR1 : SIGWINCH);
        }
    }
    _exit(0);
}

int runHeldUnderSignals()
{
    struct sigaction note {};
    note.sa_handler = noteSignal;
    for (int s : {SIGALRM, SIGUSR1, SIGWINCH})
        sigaction(s, &note, nullptr);
    CHECK(openThroughTap(), "a port that is merely busy opens");
    for (const std::string kind : {"alarm", "stop", "burst"}) {
        sendSignalsMeanwhile(kind);
        double longest = 0;
        int accesses = 0;
        const auto start = std::chrono::steady_clock::now();
        while (secondsSince(start) < 1.0) { // while the signals arrive
            const auto [ms, done] = timedWrite(0x22);
            CHECK(!done, "%s: an access to a held port fails", kind.c_str());
            longest = std::max(longest, ms);
            ++accesses;
        }
        // Stopped ourselves, an access lasts the stop, and its own wait on top.
        const double stopped = kind == "stop" ? 300 : 0;
        CHECK(longest < stopped + kAccessBoundMs, "%s: an access waited %.0f ms", kind.c_str(),
              longest);
        std::printf("GUEST-TIMING held port, %s signals: %d accesses, the longest gave up after "
                    "%.0f ms\n",
                    kind.c_str(), accesses, longest);
        while (waitpid(-1, nullptr, 0) > 0) {
        }
    }
    ShutdownWinIo();
    return 0;
}

// With no room for a timer signal the wait cannot be bounded: the access is not tried, and
// the user is told so.
int runWithoutTimerSignals()
{
    std::vector<std::string> notices;
    SetPortNoticeHandler([&](const PortNotice &notice) { notices.push_back(notice.text); });
    const rlimit none{0, 0};
    CHECK(setrlimit(RLIMIT_SIGPENDING, &none) == 0, "no room for queued signals");
    CHECK(openThroughTap(), "the port opens");
    CHECK(!SetPortVal(0x378, 0x66, 1), "no access without a bound on its wait");
    CHECK(
        notices ==
            std::vector<std::string>{"/dev/parport0: cannot bound the wait for the port: no timer "
                                     "signal could be armed (Resource temporarily unavailable); "
                                     "the access failed"},
        "the user is told why: %s", notices.empty() ? "" : notices[0].c_str());
    ShutdownWinIo();
    return 0;
}

// Once the holder has gone, or while it lets go, the next access gets the port.
int runAccessWithin(double boundMs, const char *what)
{
    CHECK(openThroughTap(), "%s: the port opens", what);
    const auto start = std::chrono::steady_clock::now();
    bool done = false;
    while (!done && secondsSince(start) * 1000 < boundMs + 1000)
        done = SetPortVal(0x378, 0x33, 1);
    const double ms = secondsSince(start) * 1000;
    CHECK(done && ms < boundMs, "%s: the access got the port after %.0f ms", what, ms);
    std::printf("GUEST-TIMING %s: the access got the port after %.0f ms\n", what, ms);
    ShutdownWinIo();
    return 0;
}

int runHolderFor(useconds_t microseconds)
{
    const int fd = open("/dev/parport0", O_RDWR);
    if (fd < 0 || ioctl(fd, PPCLAIM) != 0)
        return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    usleep(microseconds);
    ioctl(fd, PPRELEASE);
    return 0;
}

// A program holding the port for 3 s: the access fails at once; once the program has let go,
// the first access a quiet spell later goes through, however long ago the port was last
// looked at.
int runHeldForSeconds()
{
    CHECK(openThroughTap(), "a port that is merely busy opens");
    const auto [ms, done] = timedWrite(0x44);
    CHECK(!done && ms < 50, "the access failed after %.0f ms", ms);
    while (ParportHolder(0) != std::optional<std::string>("none"))
        usleep(10000);
    usleep((PpdevPort::kQuietSpell.count() + 100) * 1000);
    CHECK(SetPortVal(0x378, 0x45, 1), "the first access after the quiet spell succeeds");
    ShutdownWinIo();
    return 0;
}

// Another copy holds the port (HoldPort), running and then stopped: each access here gives
// up within the bound and names it; once it is gone, the next access goes through.
int runHeldByACopy()
{
    int lines[2];
    if (pipe(lines) != 0)
        return 1;
    const pid_t copy = fork();
    if (copy == 0) {
        dup2(lines[1], STDOUT_FILENO);
        execl("/proc/self/exe", "check", "copy-holder", nullptr);
        _exit(4);
    }
    close(lines[1]);
    char ready = 0;
    CHECK(read(lines[0], &ready, 1) == 1, "the other copy holds the port");
    std::vector<std::string> notices;
    SetPortNoticeHandler([&](const PortNotice &notice) { notices.push_back(notice.text); });
    CHECK(openThroughTap(), "the port opens");
    for (const char *state : {"running", "stopped"}) {
        if (std::string(state) == "stopped")
            kill(copy, SIGSTOP);
        double longest = 0;
        const auto start = std::chrono::steady_clock::now();
        while (secondsSince(start) < 1.0) {
            const auto [ms, done] = timedWrite(0x55);
            CHECK(!done, "%s: an access while another copy holds the port fails", state);
            longest = std::max(longest, ms);
        }
        CHECK(longest < kAccessBoundMs, "%s: an access waited %.0f ms", state, longest);
        std::printf("GUEST-TIMING another copy holding the port, %s: the longest access gave up "
                    "after %.0f ms\n",
                    state, longest);
    }
    // Through another node of the same port (ZELVANE_PORT names an alias made with mknod),
    // the copy still takes turns: the turns are the port's, not the node's.
    const std::string expected = ": another copy of Zelvane kept the port for longer than 250 ms "
                                 "(pid " +
                                 std::to_string(copy) + " ";
    CHECK(notices.size() == 1 && notices[0].find(expected) != std::string::npos,
          "told once who: %s", notices.empty() ? "" : notices[0].c_str());
    kill(copy, SIGKILL);
    kill(copy, SIGCONT);
    waitpid(copy, nullptr, 0);
    // Killed holding the copies' turn: the turn passes at once.
    const auto [ms, done] = timedWrite(0x56);
    CHECK(done && ms < 50, "once it is gone the access goes through (%.0f ms)", ms);
    std::printf("GUEST-TIMING the copy holding the port killed: the next access took %.1f ms\n",
                ms);
    ShutdownWinIo();
    return 0;
}

int runCopyHolder()
{
    SelectPortChoice(ParsePortChoice("ppdev")); // the kernel's node, whatever the other opens
    if (!InitializeWinIo() || !HoldPort())
        return 1;
    std::printf("h");
    std::fflush(stdout);
    while (true)
        pause(); // the claim bound's last wake ends one
}

// Set-user-ID and set-group-ID root copies of this program, started by an ordinary user, are
// refused before they ask for anything.
int runSetuidInstall()
{
    for (const char *mode : {"4755", "2755"}) {
        std::system(("cp /check /tmp/check-suid && chmod " + std::string(mode) + " /tmp/check-suid")
                        .c_str());
        const pid_t child = fork();
        if (child == 0) {
            const gid_t users = 100;
            if (setgroups(1, &users) == 0 && setgid(users) == 0 && setuid(1000) == 0)
                execl("/tmp/check-suid", "check", "setuid-run", nullptr);
            _exit(4);
        }
        int status = 0;
        waitpid(child, &status, 0);
        CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 5, "%s refused (status 0x%X)", mode,
              status);
    }
    return 0;
}

int runAsSetuid()
{
    const DirectPortGrant &grant = RequestDirectPortGrant();
    std::printf("GUEST-SETUID %s\n", grant.fatal.c_str());
    const bool user = grant.fatal.rfind("refusing to run set-user-ID (real user 1000, effective "
                                        "user 0)",
                                        0) == 0;
    const bool group = grant.fatal.rfind("refusing to run set-group-ID (real group 100, "
                                         "effective group 0)",
                                         0) == 0;
    return user || group ? 5 : 1;
}

// D0-D7 turned into inputs and back, read against the registers themselves: control bit 5
// set while they are in, a data read giving QEMU's input latch (0xFF) whatever is written,
// the last written byte once they are out again, and the lines out again at the close. On
// ppdev, another program's claim in between does not lose the direction. Control bit 0 is
// kept as it is, so no strobe puts a byte on the wire.
int runDataInputs(const char *how)
{
    const bool ppdev = std::string(how) == "ppdev";
    // Direct I/O's own grant serves the comparison; beside ppdev, root asks for it.
    CHECK(ppdev ? ioperm(0x378, 3, 1) == 0 : RequestDirectPortGrant().granted,
          "direct access for the comparison");
    CHECK(openThroughTap(), "%s opens", how);
    auto word = [](unsigned address) {
        std::uint32_t value = 0;
        CHECK(GetPortVal(address, &value, 1), "read of 0x%X", address);
        return value;
    };
    const std::uint8_t control = inb(0x37A) & 0x0F;
    const bool able = DataDirectionAbility().answer != DirectionAbility::Unable;
    CHECK(able, "%s: the port can turn its data lines in", how);
    CHECK(SetPortVal(0x378, 0x5A, 1) && SetDataDirection(DataDirection::In), "%s: turned in", how);
    CHECK(inb(0x37A) & 0x20, "%s: control bit 5 set (0x%02X)", how, inb(0x37A));
    CHECK(SetPortVal(0x378, 0x33, 1) && word(0x378) == 0xFF, "%s: the pins read, not the latch",
          how);
    CHECK(SetPortVal(0x37A, control, 1) && (inb(0x37A) & 0x20), "%s: a control write keeps them in",
          how);
    if (ppdev) { // another program claims in between, with the lines out for its time
        const int other = open("/dev/parport0", O_RDWR);
        CHECK(other >= 0 && ioctl(other, PPCLAIM) == 0 && !(inb(0x37A) & 0x20),
              "another program's claim turns them out for itself");
        ioctl(other, PPRELEASE);
        close(other);
        CHECK(word(0x378) == 0xFF && (inb(0x37A) & 0x20), "ours turns them in again");
    }
    CHECK(SetDataDirection(DataDirection::Out) && !(inb(0x37A) & 0x20) && word(0x378) == 0x33,
          "%s: turned out, the last byte written is on the pins", how);
    CHECK(SetDataDirection(DataDirection::In), "%s: in again", how);
    ShutdownWinIo();
    CHECK(!(inb(0x37A) & 0x20), "%s: out again at the close (0x%02X)", how, inb(0x37A));
    return 0;
}

// ppdev's register reads against the registers themselves, read directly in this process.
int runPpdevRegisters()
{
    CHECK(ioperm(0x378, 3, 1) == 0, "direct access for the comparison");
    CHECK(openThroughTap(), "ppdev opens");
    CHECK(SetPortVal(0x378, 0x5A, 1) && SetPortVal(0x37A, 0x06, 1), "written through ppdev");
    std::uint32_t data = 0, status = 0;
    CHECK(GetPortVal(0x378, &data, 1) && GetPortVal(0x379, &status, 1), "read through ppdev");
    const unsigned directStatus = inb(0x379);
    CHECK(data == inb(0x378) && data == 0x5A, "data 0x%02X, register 0x%02X", data, inb(0x378));
    // Each read of the emulated printer's status moves its handshake (ACK, BUSY) on.
    CHECK((status & 0x38) == (directStatus & 0x38) && (status & 0x38) != 0,
          "status 0x%02X, register 0x%02X", status, directStatus);
    CHECK((inb(0x37A) & 0x0F) == 0x06, "control register 0x%02X", inb(0x37A));
    ShutdownWinIo();
    return 0;
}

// What a copy may take for one access beside other copies at full rate, on an idle machine.
constexpr double kContendedAccessMs = 25;
// And beside another program, unless that program's claim slept inside the copy's.
constexpr double kBesideAccessMs = 100;
// That program's bound on its claims.
constexpr useconds_t kOtherProgramBoundUs = 300000;

// One copy in a contention case: SetPortVal then GetPortVal, each claiming on its own, at
// full rate or one access every paceMs. Prints "accesses failed longest-ms first-ms slow",
// slow counting the accesses over kContendedAccessMs.
int runCopyLoop(double seconds, int paceMs)
{
    if (!InitializeWinIo())
        return 1;
    long accesses = 0, failed = 0, slow = 0;
    double longest = 0, first = -1;
    const auto start = std::chrono::steady_clock::now();
    while (secondsSince(start) < seconds) {
        std::uint32_t word = 0;
        for (int which = 0; which < 2; ++which) {
            const auto begun = std::chrono::steady_clock::now();
            const bool done =
                which == 0 ? SetPortVal(0x378, accesses & 0xFF, 1) : GetPortVal(0x379, &word, 1);
            const double ms = secondsSince(begun) * 1000;
            longest = std::max(longest, ms);
            first = first < 0 ? ms : first;
            slow += ms > kContendedAccessMs;
            ++accesses;
            failed += !done;
            if (paceMs > 0)
                usleep(static_cast<useconds_t>(paceMs) * 1000);
        }
    }
    ShutdownWinIo();
    std::printf("%ld %ld %.1f %.1f %ld\n", accesses, failed, longest, first, slow);
    return 0;
}

// Another program as most are written: raw ioctls, the port claimed 1 ms at a time with no
// bound on the claim, until `seconds` have passed.
int runRawClaimer(double seconds)
{
    long claims = 0;
    const auto start = std::chrono::steady_clock::now();
    const int fd = open("/dev/parport0", O_RDWR);
    while (fd >= 0 && secondsSince(start) < seconds) {
        if (ioctl(fd, PPCLAIM) != 0)
            break;
        ++claims;
        usleep(1000);
        ioctl(fd, PPRELEASE);
    }
    std::printf("claimer: %ld claims, 0 cut short\n", claims);
    return 0;
}

// Another program as a careful one is written: each claim bounded by an interval timer,
// held 1 ms; a claim cut short is not made again on that descriptor, which is opened afresh
// a moment later. It works in bursts of 300 ms with pauses longer than the copy's quiet
// spell, so that the copy claims in the pauses and a burst may start inside the copy's claim.
// Prints how many claims were cut short: each one slept while the copy held the port.
int runBoundedClaimer(double seconds)
{
    struct sigaction note {};
    note.sa_handler = noteSignal;
    sigaction(SIGALRM, &note, nullptr);
    long claims = 0, cut = 0;
    const auto start = std::chrono::steady_clock::now();
    int fd = open("/dev/parport0", O_RDWR);
    while (fd >= 0 && secondsSince(start) < seconds) {
        if (std::fmod(secondsSince(start), 1.5) > 0.3) {
            usleep(1000);
            continue;
        }
        const itimerval bound{{0, 0}, {0, static_cast<suseconds_t>(kOtherProgramBoundUs)}};
        const itimerval off{};
        setitimer(ITIMER_REAL, &bound, nullptr);
        const int claimed = ioctl(fd, PPCLAIM);
        const int error = errno;
        setitimer(ITIMER_REAL, &off, nullptr);
        if (claimed != 0) {
            if (error != EINTR)
                break;
            ++cut;
            usleep(5000);
            close(fd);
            fd = open("/dev/parport0", O_RDWR);
            continue;
        }
        ++claims;
        usleep(1000);
        ioctl(fd, PPRELEASE);
    }
    if (fd >= 0)
        close(fd);
    std::printf("claimer: %ld claims, %ld cut short\n", claims, cut);
    return 0;
}

// Child processes of one case, each writing its one line to a pipe.
struct CaseProcess {
    pid_t pid;
    std::string role;
};

pid_t startChild(int out, const std::vector<std::string> &arguments)
{
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, STDOUT_FILENO);
        std::vector<char *> argv;
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        setenv("ZELVANE_PORT", "ppdev", 1);
        execv("/proc/self/exe", argv.data());
        _exit(4);
    }
    return pid;
}

// The state letter of a process still there (R, S, D...), for one that did not end.
std::string processState(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos ? "?" : line.substr(close + 2, 1);
}

// What one case's children reported, what did not end, and the heartbeat's longest gap.
struct CaseRun {
    std::vector<std::string> lines;
    std::vector<std::string> hung;
    double longestGapMs = 0;
};

std::vector<std::string> readLines(int in);

// Starts each child (its role, its arguments to this program), their output on one pipe,
// and keeps a heartbeat here while they run for `seconds`: a frozen guest stops it, and so
// the whole case. A child that has not ended ten seconds later is reported and killed.
constexpr int kHeartbeatMs = 20;

CaseRun runCase(const std::vector<std::pair<std::string, std::vector<std::string>>> &roles,
                double seconds)
{
    CaseRun run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        run.hung.push_back("no pipe");
        return run;
    }
    std::vector<CaseProcess> children;
    for (const auto &[role, arguments] : roles)
        children.push_back({startChild(pipeFds[1], arguments), role});
    close(pipeFds[1]);
    const auto start = std::chrono::steady_clock::now();
    auto beat = start;
    std::size_t ended = 0;
    std::vector<bool> done(children.size(), false);
    while (ended < children.size() && secondsSince(start) < seconds + 10) {
        usleep(kHeartbeatMs * 1000);
        const auto now = std::chrono::steady_clock::now();
        run.longestGapMs = std::max(run.longestGapMs,
                                    std::chrono::duration<double, std::milli>(now - beat).count());
        beat = now;
        for (std::size_t i = 0; i < children.size(); ++i)
            if (!done[i] && waitpid(children[i].pid, nullptr, WNOHANG) == children[i].pid) {
                done[i] = true;
                ++ended;
            }
    }
    for (std::size_t i = 0; i < children.size(); ++i)
        if (!done[i]) {
            run.hung.push_back(children[i].role + " did not end, state " +
                               processState(children[i].pid));
            kill(children[i].pid, SIGKILL);
        }
    run.lines = readLines(pipeFds[0]);
    close(pipeFds[0]);
    return run;
}

std::vector<std::string> readLines(int in)
{
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(in, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::string cpusAndIrq()
{
    std::ifstream irq("/proc/sys/dev/parport/parport0/irq");
    std::string number = "?";
    irq >> number;
    return "cpus=" + std::to_string(std::thread::hardware_concurrency()) + " irq=" + number;
}

// Copies of the library on one port at full rate, each access claimed on its own: every one
// ends, none fails, none takes longer than kContendedAccessMs, and the guest stays alive.
int runContention(int copies, double seconds)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> roles;
    for (int i = 0; i < copies; ++i)
        roles.push_back({"copy " + std::to_string(i + 1),
                         {"check", "copy-loop", std::to_string(seconds), "0"}});
    const CaseRun run = runCase(roles, seconds);
    CHECK(run.hung.empty(), "every copy ended");
    CHECK(static_cast<int>(run.lines.size()) == copies, "every copy reported, got %zu",
          run.lines.size());
    // A guest the host did not run for a while (the heartbeat late) cannot serve anyone in
    // that while: the bound is the copies' own, not the host's.
    const double bound = kContendedAccessMs + std::max(0.0, run.longestGapMs - kHeartbeatMs);
    std::string perCopy;
    double longest = 0, firstLongest = 0;
    for (const std::string &line : run.lines) {
        long accesses = 0, failed = 0, slow = 0;
        double ms = 0, first = 0;
        std::istringstream(line) >> accesses >> failed >> ms >> first >> slow;
        CHECK(failed == 0 && accesses > 0, "a copy: %s", line.c_str());
        CHECK(ms < bound, "a copy's longest access took %.1f ms (%ld over %.0f ms; bound %.0f ms)",
              ms, slow, kContendedAccessMs, bound);
        perCopy += (perCopy.empty() ? "" : ", ") + std::to_string(accesses);
        longest = std::max(longest, ms);
        firstLongest = std::max(firstLongest, first);
    }
    for (const std::string &problem : run.hung)
        std::printf("GUEST-HUNG %s\n", problem.c_str());
    std::printf("GUEST-CONTENTION %s copies=%d: accesses per copy %s, longest access %.1f ms, "
                "longest first access %.1f ms, heartbeat's longest gap %.0f ms, %s\n",
                cpusAndIrq().c_str(), copies, perCopy.c_str(), longest, firstLongest,
                run.longestGapMs, run.hung.empty() ? "nothing hung" : "SOMETHING HUNG");
    return 0;
}

// One copy at live inputs' pace beside another program that claims the port 1 ms at a time,
// with no bound on its claims (raw) or with a bound: nothing hangs, and the copy's accesses end
// within kBesideAccessMs, unless the other program's claim slept inside the copy's claim
// (ppdev's mutex then holds each ioctl of the copy's until that claim gives up): then within
// one of its bounds.
int runBesideClaimer(const std::string &kind, int paceMs, double seconds)
{
    const CaseRun run =
        runCase({{kind + " claimer", {"check", kind + "-claimer", std::to_string(seconds)}},
                 {"copy", {"check", "copy-loop", std::to_string(seconds), std::to_string(paceMs)}}},
                seconds);
    std::string report;
    for (const auto *list : {&run.lines, &run.hung})
        for (const std::string &line : *list)
            report += (report.empty() ? "" : "; ") + line;
    CHECK(run.hung.empty(), "nothing hung: %s", report.c_str());
    long cut = 0;
    for (const std::string &line : run.lines)
        if (line.rfind("claimer: ", 0) == 0)
            std::sscanf(line.c_str(), "claimer: %*d claims, %ld cut short", &cut);
    for (const std::string &line : run.lines) {
        long accesses = 0, failed = 0;
        double longest = 0;
        if (line.rfind("claimer: ", 0) == 0 ||
            !(std::istringstream(line) >> accesses >> failed >> longest))
            continue;
        if (kind == "raw")
            CHECK(longest < kAccessBoundMs, "the copy's longest access took %.1f ms", longest);
        else
            CHECK(longest < (cut ? kOtherProgramBoundUs / 1000.0 : 0) + kBesideAccessMs,
                  "the copy's longest access took %.1f ms, the claimer's claims cut short %ld "
                  "times",
                  longest, cut);
    }
    std::printf("GUEST-BESIDE %s %s claimer, pace=%d ms: copy (accesses failed longest-ms "
                "first-ms slow) and claimer: %s; heartbeat's longest gap %.0f ms; %s\n",
                cpusAndIrq().c_str(), kind.c_str(), paceMs, report.c_str(), run.longestGapMs,
                run.hung.empty() ? "nothing hung" : "SOMETHING HUNG");
    return 0;
}

// Puts bytes on the cable through the layer: data, then the strobe (C0 low and high again),
// the three accesses held together so another program's cannot come between.
double printThroughTheLayer(const std::vector<std::uint8_t> &bytes)
{
    double longest = 0;
    for (std::uint8_t byte : bytes) {
        const auto start = std::chrono::steady_clock::now();
        CHECK(HoldPort(), "the port is had for a byte");
        CHECK(SetPortVal(0x378, byte, 1) && SetPortVal(0x37A, 0x0D, 1) &&
                  SetPortVal(0x37A, 0x0C, 1),
              "byte 0x%02X written", byte);
        LetGoOfPort();
        longest = std::max(longest, secondsSince(start) * 1000);
    }
    return longest;
}

// direct:0x278 and ppdev:/dev/parport1 reach the second port; the guard is the design's.
int runSecondPort(const char *mode)
{
    RequestDirectPortGrant();
    CHECK(openThroughTap(), "%s opens", mode);
    std::printf("GUEST-PORT %s: %s\n", mode, OpenPortDescription().c_str());
    CHECK(!SetPortVal(0x278, 0x55, 1) && !SetPortVal(0x27A, 0x55, 1),
          "%s: 0x278 is outside the design's three addresses", mode);
    const bool direct = std::string(mode) == "direct";
    printThroughTheLayer(direct ? std::vector<std::uint8_t>{0xA1, 0xA2}
                                : std::vector<std::uint8_t>{0xB1, 0xB2});
    ShutdownWinIo();
    return 0;
}

// One of two copies printing on one port at once.
int runCopy(const char *name, std::uint8_t first)
{
    CHECK(openThroughTap(), "copy %s opens", name);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 16; ++i)
        bytes.push_back(static_cast<std::uint8_t>(first + i));
    const double longest = printThroughTheLayer(bytes);
    CHECK(longest < 100, "copy %s waited %.1f ms for a byte", name, longest);
    std::printf("GUEST-TIMING copy %s: 16 bytes, the longest took %.1f ms\n", name, longest);
    ShutdownWinIo();
    return 0;
}

// The port's driver unbound under an open device: reported once, closed from then on.
int runPortGoesAway()
{
    std::vector<std::string> reports;
    SetPortNoticeHandler([&](const PortNotice &notice) { reports.push_back(notice.text); });
    CHECK(openThroughTap(), "ppdev opens");
    CHECK(SetPortVal(0x378, 0x5A, 1), "a write before the unbind");
    bool unbound = false;
    const std::string driver = "/sys/bus/pnp/drivers/parport_pc/";
    for (const char *device : {"00:00", "00:01", "00:02", "00:03", "00:04", "00:05", "00:06"}) {
        if (access((driver + device).c_str(), F_OK) == 0) {
            std::ofstream(driver + "unbind") << device;
            unbound = true;
        }
    }
    CHECK(unbound, "found the port's device to unbind");
    usleep(200000); // past the layer's presence-check interval
    std::uint32_t word = 0;
    CHECK(!SetPortVal(0x378, 0xA5, 1), "a write after the unbind fails");
    CHECK(!GetPortVal(0x379, &word, 1), "a read after the unbind fails");
    CHECK(!SetPortVal(0x378, 0x00, 1), "and every access after");
    CHECK(reports.size() == 1, "reported once, got %zu", reports.size());
    for (const auto &report : reports)
        std::printf("GUEST-LOSS %s\n", report.c_str());
    CHECK(OpenPortDescription().empty(), "the port counts as closed");
    ShutdownWinIo();
    return 0;
}

// zelvanectl reading a script, fed one line and then idle: it keeps no claim while it waits
// for the next line, so another program's claim goes through at once (bounded here at
// 50 ms, after which it would be cut short).
int runZelvanectlIdle()
{
    int script[2];
    if (pipe(script) != 0)
        return 1;
    const pid_t ctl = fork();
    if (ctl == 0) {
        dup2(script[0], STDIN_FILENO);
        close(script[1]);
        std::ostringstream out, err;
        _exit(RunZelvanectl({"--port", "ppdev", "-"}, {std::cin, out, err}));
    }
    close(script[0]);
    CHECK(write(script[1], "set D0=1\n", 9) == 9, "a line fed");
    usleep(500000); // done with it, and waiting for the next
    struct sigaction note {};
    note.sa_handler = noteSignal;
    sigaction(SIGALRM, &note, nullptr);
    const int fd = open("/dev/parport0", O_RDWR);
    const itimerval bound{{0, 0}, {0, 50000}};
    setitimer(ITIMER_REAL, &bound, nullptr);
    const auto start = std::chrono::steady_clock::now();
    const int claimed = ioctl(fd, PPCLAIM);
    const double ms = secondsSince(start) * 1000;
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    CHECK(claimed == 0, "another program's claim went through (%.1f ms)", ms);
    std::printf("GUEST-TIMING another program's claim beside an idle zelvanectl: %.1f ms\n", ms);
    ioctl(fd, PPRELEASE);
    close(fd);
    close(script[1]);
    int status = 0;
    waitpid(ctl, &status, 0);
    CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0, "zelvanectl ended well (0x%X)", status);
    return 0;
}

// zelvanectl with the data lines turned in, ended by SIGTERM in the middle of a sleep: the
// lines are outputs again, on direct I/O and on ppdev; with --keep they stay in.
int runZelvanectlDataSignal()
{
    CHECK(ioperm(0x378, 3, 1) == 0, "direct access for the comparison");
    const std::vector<std::vector<std::string>> lines{
        {"--port", "direct", "data-direction", "in", "sleep", "10s"},
        {"--port", "ppdev", "data-direction", "in", "sleep", "10s"},
        {"--port", "ppdev", "data-direction", "in", "--keep", "sleep", "10s"}};
    for (const auto &line : lines) {
        const bool keep = line.size() == 7;
        const pid_t ctl = fork();
        if (ctl == 0) {
            std::ostringstream out, err;
            const int status = RunZelvanectl(line, {std::cin, out, err});
            std::printf("%s", err.str().c_str());
            _exit(status);
        }
        for (int tries = 0; tries < 200 && !(inb(0x37A) & 0x20); ++tries)
            usleep(10000);
        CHECK(inb(0x37A) & 0x20, "%s: turned in", line[1].c_str());
        kill(ctl, SIGTERM);
        int status = 0;
        waitpid(ctl, &status, 0);
        CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM, "%s: status 0x%X",
              line[1].c_str(), status);
        CHECK(bool(inb(0x37A) & 0x20) == keep, "%s%s: %s at the end (0x%02X)", line[1].c_str(),
              keep ? " --keep" : "", keep ? "in" : "out", inb(0x37A));
    }
    outb(inb(0x37A) & 0xDF, 0x37A); // as --keep left them: out for what follows
    return 0;
}

// zelvanectl's own path, in process: a sequence over direct I/O and over ppdev, its bytes
// on the cable.
int runZelvanectl(const char *port, const char *first, const char *second)
{
    std::ostringstream out, err;
    const int status =
        RunZelvanectl({"--port", port, "write", "control", "0x0C", "write", "data", first, "pulse",
                       "C0", "1", "write", "data", second, "pulse", "C0", "1", "read", "data"},
                      {std::cin, out, err});
    CHECK(status == 0, "zelvanectl --port %s: status %d, %s", port, status, err.str().c_str());
    std::printf("GUEST-CTL %s: %s", port, out.str().c_str());
    return 0;
}

// Discovery on the real kernel: both emulated ports, their nodes, bases and holders.
int runZelvanectlPorts()
{
    std::ostringstream out, err;
    CHECK(RunZelvanectl({"ports"}, {std::cin, out, err}) == 0, "zelvanectl ports: %s",
          err.str().c_str());
    const std::string listed = out.str();
    std::printf("GUEST-PORTS\n%s", listed.c_str());
    for (const char *expected : {"parport0 node=/dev/parport0 base=0x378 modes=PCSPP",
                                 "parport1 node=/dev/parport1 base=0x278 modes=PCSPP"})
        CHECK(listed.find(expected) != std::string::npos, "lists %s", expected);
    CHECK(listed.find("data-in=yes holder=none may-open=yes") != std::string::npos,
          "free, and root may open it");
    return 0;
}

// The data ioctl on a device claimed once, per call; negative when it cannot be claimed.
double rawIoctlNanoseconds(long calls)
{
    const int fd = open("/dev/parport0", O_RDWR);
    if (fd < 0 || ioctl(fd, PPCLAIM) != 0)
        return -1;
    const double ns = nanosecondsPerCall(calls, [fd](long i) {
        unsigned char b = i & 0xFF;
        ioctl(fd, PPWDATA, &b);
    });
    close(fd);
    return ns;
}

std::vector<std::string> setArguments(const char *port, long writes)
{
    std::vector<std::string> arguments{"--port", port};
    for (long i = 0; i < writes; ++i) {
        arguments.push_back("set");
        arguments.push_back(i % 2 ? "D0=0" : "D0=1");
    }
    return arguments;
}

// Writes a second through zelvanectl's set: the whole program (the command line read and
// run), and the commands alone once read, the port held.
std::pair<double, double> setWritesPerSecond(const char *port, long writes)
{
    const auto arguments = setArguments(port, writes);
    std::ostringstream out, err;
    auto start = std::chrono::steady_clock::now();
    const int status = RunZelvanectl(arguments, {std::cin, out, err});
    const double whole = writes / secondsSince(start);
    CHECK(status == 0, "zelvanectl set x%ld over %s: %s", writes, port, err.str().c_str());

    // The grant above still holds.
    const ParsedCommands parsed = ParseCommandWords({arguments.begin() + 2, arguments.end()});
    const auto output = MakeTextOutput(out);
    CtlSession session(*output, err, -1);
    start = std::chrono::steady_clock::now();
    CHECK(session.runLine(parsed.commands) == 0, "the commands alone over %s", port);
    return {whole, writes / secondsSince(start)};
}

int runZelvanectlBench()
{
    constexpr long kWrites = 20000;
    const auto [direct, directRun] = setWritesPerSecond("direct", kWrites);
    const double rawOutb = 1e9 / nanosecondsPerCall(kWrites, [](long i) { outb(i & 1, 0x378); });
    const auto [ppdev, ppdevRun] = setWritesPerSecond("ppdev", kWrites);
    const double rawIoctl = 1e9 / rawIoctlNanoseconds(kWrites);
    if (rawIoctl <= 0)
        return 1;
    std::printf(
        "BENCH zelvanectl set, writes/s with the port held (whole program; commands alone once "
        "read): direct %.0f (%.2fx); %.0f (%.2fx) against raw outb %.0f; ppdev %.0f (%.2fx); "
        "%.0f (%.2fx) against the raw ioctl %.0f; %ld writes, QEMU TCG\n",
        direct, direct / rawOutb, directRun, directRun / rawOutb, rawOutb, ppdev, ppdev / rawIoctl,
        ppdevRun, ppdevRun / rawIoctl, rawIoctl, kWrites);
    return 0;
}

// A bare PPCLAIM + PPWDATA + PPRELEASE, per call: what one shared access cannot avoid.
double rawSharedAccessNanoseconds(long calls)
{
    const int fd = open("/dev/parport0", O_RDWR);
    if (fd < 0)
        return -1;
    const double ns = nanosecondsPerCall(calls, [fd](long i) {
        unsigned char b = i & 0xFF;
        ioctl(fd, PPCLAIM);
        ioctl(fd, PPWDATA, &b);
        ioctl(fd, PPRELEASE);
    });
    close(fd);
    return ns;
}

// The kernel's holder, read as every shared access reads it before its claim.
double holderReadNanoseconds(long calls)
{
    const int fd = open("/proc/sys/dev/parport/parport0/devices/active", O_RDONLY);
    if (fd < 0)
        return -1;
    const double ns = nanosecondsPerCall(calls, [fd](long) {
        char text[64];
        (void)!pread(fd, text, sizeof text, 0);
    });
    close(fd);
    return ns;
}

int runBench()
{
    constexpr long kCalls = 10000;
    SelectPortChoice(ParsePortChoice("direct"));
    RequestDirectPortGrant();
    if (!InitializeWinIo())
        return 1;
    const double layerDirect =
        nanosecondsPerCall(kCalls, [](long i) { SetPortVal(0x378, i & 0xFF, 1); });
    const double rawOutb = nanosecondsPerCall(kCalls, [](long i) { outb(i & 0xFF, 0x378); });
    ShutdownWinIo();

    SelectPortChoice(ParsePortChoice("ppdev"));
    if (!InitializeWinIo())
        return 1;
    const double layerPpdevShared =
        nanosecondsPerCall(kCalls / 10, [](long i) { SetPortVal(0x378, i & 0xFF, 1); });
    HoldPort();
    const double layerPpdev =
        nanosecondsPerCall(kCalls, [](long i) { SetPortVal(0x378, i & 0xFF, 1); });
    LetGoOfPort();
    ShutdownWinIo();
    const double rawIoctl = rawIoctlNanoseconds(kCalls);
    const double rawShared = rawSharedAccessNanoseconds(kCalls / 10);
    const double holderRead = holderReadNanoseconds(kCalls / 10);
    if (rawIoctl <= 0 || rawShared <= 0)
        return 1;
    std::printf(
        "BENCH SetPortVal direct %.0f ns, raw outb %.0f ns, ratio %.2f; ppdev with the port "
        "held %.0f ns, raw ioctl %.0f ns, ratio %.2f; ppdev shared (turn, holder read, claim, "
        "access, release, turn given) %.0f ns, bare PPCLAIM+PPWDATA+PPRELEASE %.0f ns, ratio "
        "%.2f, of which the kernel's holder read %.0f ns (best of 5 rounds, QEMU TCG)\n",
        layerDirect, rawOutb, layerDirect / rawOutb, layerPpdev, rawIoctl, layerPpdev / rawIoctl,
        layerPpdevShared, rawShared, layerPpdevShared / rawShared, holderRead);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    int rc = 2;
    if (mode == "direct")
        rc = runDirect();
    else if (mode == "ppdev-user")
        rc = runPpdevAsLpUser();
    else if (mode == "ppdev-outside-lp")
        rc = runPpdevOutsideLp();
    else if (mode == "auto")
        rc = runAuto();
    else if (mode == "hold")
        return runHolderFor(3600u * 1000000u); // until killed
    else if (mode == "held")
        rc = runWhileHeld();
    else if (mode == "bench")
        rc = runBench();
    else if (mode == "sampling-bench")
        rc = runSamplingBench();
    else if (mode == "child-probe")
        return runChildProbe();
    else if (mode == "held-signals")
        rc = runHeldUnderSignals();
    else if (mode == "free-again")
        rc = runAccessWithin(100, "free again after the holder left");
    else if (mode == "takes-over")
        rc = runAccessWithin(500 + PpdevPort::kQuietSpell.count() + 500,
                             "holder let go, then the quiet spell");
    else if (mode == "hold-briefly")
        return runHolderFor(500000);
    else if (mode == "hold-3s")
        return runHolderFor(3000000);
    else if (mode == "held-3s")
        rc = runHeldForSeconds();
    else if (mode == "second-direct")
        rc = runSecondPort("direct");
    else if (mode == "second-ppdev")
        rc = runSecondPort("ppdev");
    else if (mode == "copy-a")
        rc = runCopy("a", 0x10);
    else if (mode == "copy-b")
        rc = runCopy("b", 0x20);
    else if (mode == "ctl-direct")
        rc = runZelvanectl("direct", "0xC1", "0xC2");
    else if (mode == "ctl-ppdev")
        rc = runZelvanectl("ppdev", "0xD1", "0xD2");
    else if (mode == "no-timer")
        rc = runWithoutTimerSignals();
    else if (mode == "ctl-ports")
        rc = runZelvanectlPorts();
    else if (mode == "ctl-bench")
        rc = runZelvanectlBench();
    else if (mode == "goes-away")
        rc = runPortGoesAway();
    else if (mode == "setuid")
        rc = runSetuidInstall();
    else if (mode == "setuid-run")
        return runAsSetuid();
    else if (mode == "data-inputs")
        rc = runDataInputs("direct");
    else if (mode == "data-inputs-ppdev")
        rc = runDataInputs("ppdev");
    else if (mode == "data-inputs-unknown")
        rc = runDataInputs("direct, a port the kernel does not know");
    else if (mode == "ctl-data-signal")
        rc = runZelvanectlDataSignal();
    else if (mode == "ctl-idle")
        rc = runZelvanectlIdle();
    else if (mode == "held-by-copy")
        rc = runHeldByACopy();
    else if (mode == "copy-holder")
        return runCopyHolder();
    else if (mode == "ppdev-registers")
        rc = runPpdevRegisters();
    else if (mode == "copy-loop" && argc > 3)
        return runCopyLoop(std::atof(argv[2]), std::atoi(argv[3]));
    else if (mode == "raw-claimer" && argc > 2)
        return runRawClaimer(std::atof(argv[2]));
    else if (mode == "bounded-claimer" && argc > 2)
        return runBoundedClaimer(std::atof(argv[2]));
    else if (mode == "contention" && argc > 3)
        rc = runContention(std::atoi(argv[2]), std::atof(argv[3]));
    else if (mode == "beside" && argc > 4)
        rc = runBesideClaimer(argv[2], std::atoi(argv[3]), std::atof(argv[4]));
    if (rc == 0 && g_failures == 0) {
        std::printf("ZELVANE-RESULT %s PASS\n", mode.c_str());
        return 0;
    }
    std::printf("ZELVANE-RESULT %s FAIL (%d checks failed)\n", mode.c_str(), g_failures);
    return 1;
}
