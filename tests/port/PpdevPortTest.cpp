#include "PpdevPort.h"
#include "FakeTurnSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <map>
#include <sys/ioctl.h>

namespace {

using Calls = std::vector<std::string>;
using namespace std::chrono_literals;

// A claim scripted to sleep: only the claim bound's wake ends it.
constexpr int kSleeps = -1;
constexpr std::uint32_t kOurPid = 100;
constexpr std::uint32_t kOtherCopy = 77;
using ProcessState = TurnSystem::ProcessState;

// Answers the backend's system calls from a script, as the kernel would, on a clock of its
// own, and records them. Unscripted calls succeed; the holder reads "none" and opens hand out
// fd 3, 4, ... It also fails the test where the backend breaks a rule that no script may
// excuse: a claim with no bound armed, a bound left armed past the claim, a claim or release
// without the copies' turn, or anything but the access between the claim and the release.
struct ScriptedKernel final : PpdevSystem {
    struct Script {
        std::map<std::string, std::deque<int>> errors; // by call name, in order
        std::deque<std::string> holders;
        std::deque<int> openErrors;
        // Another copy (pid 77) holds the copies' turn, in this state.
        std::optional<ProcessState> turnKept = std::nullopt;
        int modes = PARPORT_MODE_PCSPP | PARPORT_MODE_TRISTATE;
        // The copies' turn table, where the test looks at it after the port has closed.
        std::shared_ptr<TurnTable> table = std::make_shared<TurnTable>();
    };
    ScriptedKernel(Script &script, Calls &calls)
        : m_script(script), m_calls(calls), m_table(*script.table)
    {
        if (script.turnKept) {
            m_table.next = 1;
            m_table.seats[0] = Slot{0, kOtherCopy, SlotState::Holding}.word();
            m_processes[kOtherCopy] = *script.turnKept;
        }
    }

    int next(const std::string &call)
    {
        auto &queue = m_script.errors[call];
        if (queue.empty())
            return 0;
        const int error = queue.front();
        queue.pop_front();
        return error;
    }
    void record(const std::string &call)
    {
        if (m_armed && call != "holder")
            ADD_FAILURE() << "the claim bound is still armed at " << call;
        static const std::string accesses[] = {"wdata",    "wcontrol", "rstatus",
                                               "rcontrol", "datadir",  "release"};
        if (m_claimed && std::none_of(std::begin(accesses), std::end(accesses),
                                      [&](const std::string &a) { return call.rfind(a, 0) == 0; }))
            ADD_FAILURE() << call << " inside the claim";
        m_calls.push_back(call);
    }
    bool turnIsOurs() const
    {
        const std::uint32_t serving = m_table.serving;
        return Slot::from(m_table.seats[serving % TurnTable::kSlots]).word() ==
               Slot{serving, kOurPid, SlotState::Holding}.word();
    }
    PpdevNode openNode(const std::string &path) override
    {
        PpdevNode node;
        node.error = m_script.openErrors.empty() ? 0 : m_script.openErrors.front();
        if (!m_script.openErrors.empty())
            m_script.openErrors.pop_front();
        node.fd = node.error ? -1 : m_nextFd++;
        record("open " + path + (node.error ? " fails" : ""));
        return node;
    }
    void closeNode(int fd) override { record("close " + std::to_string(fd)); }
    int control(int fd, unsigned long request, void *argument) override
    {
        static const std::map<unsigned long, std::string> names{
            {PPCLAIM, "claim"},       {PPRELEASE, "release"}, {PPWDATA, "wdata"},
            {PPWCONTROL, "wcontrol"}, {PPRSTATUS, "rstatus"}, {PPRCONTROL, "rcontrol"},
            {PPGETMODES, "modes"},    {PPDATADIR, "datadir"}};
        const std::string name = names.at(request);
        std::string call = name + " " + std::to_string(fd);
        if (request == PPWDATA || request == PPWCONTROL)
            call += " " + std::to_string(*static_cast<unsigned char *>(argument));
        if (request == PPDATADIR)
            call += " " + std::to_string(*static_cast<int *>(argument));
        if (request == PPGETMODES)
            *static_cast<int *>(argument) = m_script.modes;
        if ((name == "claim" || name == "release") && !turnIsOurs())
            ADD_FAILURE() << name << " without the copies' turn";
        if (name == "claim") {
            if (!m_armed)
                ADD_FAILURE() << "a claim with no bound armed";
            m_calls.push_back(call);
            const int error = next(name);
            m_claimed = error == 0;
            if (error != kSleeps)
                return error;
            m_now += 10ms; // until the bound's wake
            return EINTR;
        }
        record(call);
        if (name == "release")
            m_claimed = false;
        return next(name);
    }
    TurnTable *openTurnTable(dev_t, std::string &why) override
    {
        const int error = next("turntable");
        if (error)
            why = "the copies' turn table (shared memory key 0x5a746300): " +
                  std::string(strerror(error));
        return error ? nullptr : &m_table;
    }
    std::string describeProcess(std::uint32_t pid) override
    {
        return "pid " + std::to_string(pid) + " zelvanectl";
    }
    std::string describeHolder(unsigned) override
    {
        ++m_holderDescriptions;
        return "held by ppdev0: pid 42 avrdude";
    }
    int openHolder(unsigned) override { return 0; }
    int readHolder(std::string &holder) override
    {
        holder = m_script.holders.empty() ? "none" : m_script.holders.front();
        if (!m_script.holders.empty())
            m_script.holders.pop_front();
        record("holder");
        return next("holder");
    }
    int prepareClaimBound() override { return 0; }
    int armClaimBound(std::chrono::nanoseconds period) override
    {
        if (period > 10ms)
            ADD_FAILURE() << "a claim bound of " << period.count() << " ns, not 10 ms";
        m_armed = next("arm") == 0;
        return m_armed ? 0 : EAGAIN;
    }
    void disarmClaimBound() override { m_armed = false; }
    void sleepFor(std::chrono::nanoseconds span) override
    {
        record("sleep " + std::to_string(span / 1ms) + "ms");
        m_now += span;
    }
    Clock::time_point now() override { return m_now; }
    std::uint32_t processId() override { return kOurPid; }
    ProcessState processState(std::uint32_t pid) override { return m_copies.processState(pid); }
    void waitWhile(const std::atomic<std::uint32_t> &word, std::uint32_t seen,
                   std::chrono::nanoseconds timeout) override
    {
        m_copies.waitWhile(word, seen, timeout);
    }
    void wakeAll(std::atomic<std::uint32_t> &word) override { m_copies.wakeAll(word); }

    Script &m_script;
    Calls &m_calls;
    int m_nextFd = 3;
    bool m_armed = false;
    bool m_claimed = false;
    int m_holderDescriptions = 0; // each a look through every process
    Clock::time_point m_now = Clock::time_point(1000s);
    TurnTable &m_table;
    FakeTurnSystem::Processes m_processes{{kOurPid, ProcessState::Running}};
    FakeTurnSystem m_copies{m_now, kOurPid, m_processes};
};

struct Opened {
    std::unique_ptr<PpdevPort> port;
    ScriptedKernel *kernel;
};

Opened openOnScript(ScriptedKernel::Script &script, Calls &calls)
{
    PpdevNode failed;
    auto kernel = std::make_unique<ScriptedKernel>(script, calls);
    ScriptedKernel *seen = kernel.get();
    auto port = PpdevPort::open("/dev/parport0", failed, std::move(kernel));
    calls.clear(); // the opening's own calls are not the test's
    return {std::move(port), seen};
}

std::string noticeText(PpdevPort &port)
{
    const auto notice = port.takeNotice();
    return notice ? notice->text : "";
}

// One access in its turn, whole: the claim holds the access alone, the port's presence is
// looked at before it, at most every kPresenceCheckInterval, and a copy alone takes and gives
// its turns with no system call.
TEST(PpdevPort, AnAccessIsLookedAtThenClaimedForTheAccessAlone)
{
    ScriptedKernel::Script script;
    Calls calls;
    auto [port, kernel] = openOnScript(script, calls);
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x55));
    std::uint8_t status = 0;
    EXPECT_TRUE(port->readRegisterNow(PortRegister::Status, status));
    kernel->m_now += PpdevPort::kPresenceCheckInterval;
    EXPECT_TRUE(port->writeRegister(PortRegister::Control, 0xF5));
    EXPECT_EQ(calls, (Calls{"holder", "claim 3", "wdata 3 85", "release 3", "holder", "claim 3",
                            "rstatus 3", "release 3", "modes 3", "holder", "claim 3",
                            "wcontrol 3 5", "release 3"}));
    EXPECT_EQ(kernel->m_table.serving, kernel->m_table.next) << "every turn given back";
    EXPECT_EQ(kernel->m_copies.wakes, 0);
}

// Each way an access fails, with what the user hears and whether the port counts as gone.
TEST(PpdevPort, EachFailureIsToldForWhatItIs)
{
    struct Case {
        const char *what;
        ScriptedKernel::Script script;
        std::string notice;
        std::string lost = {};
        bool done = false;
    };
    const Case cases[] = {
        {"another program opened the port exclusively",
         {{{"claim", {ENXIO}}}, {}, {}},
         "/dev/parport0: the port is held exclusively by another program; the access failed"},
        {"the port went away under the claim",
         {{{"claim", {ENXIO}}, {"modes", {0, ENODEV}}}, {}, {}}, // the first is the opening's
         "",
         "/dev/parport0: the port has gone away (No such device)"},
        {"EIO from the access",
         {{{"wdata", {EIO}}}, {}, {}},
         "",
         "/dev/parport0: the port has gone away (Input/output error)"},
        {"the kernel's holder unreadable",
         {{{"holder", {EIO}}}, {}, {}},
         "/dev/parport0: cannot see whether the port is free (Input/output error); the access "
         "failed"},
        {"a wake landed in the holder's read", {{{"holder", {EINTR}}}, {}, {}}, "", "", true},
        {"no timer for the claim's bound",
         {{{"arm", {EAGAIN}}}, {}, {}},
         "/dev/parport0: cannot bound the wait for the port: no timer signal could be armed "
         "(Resource temporarily unavailable); the access failed"},
        {"the copies' turn table cannot be had",
         {{{"turntable", {EACCES, EACCES}}}, {}, {}}, // the first is the opening's
         "/dev/parport0: cannot take turns with other copies: the copies' turn table (shared "
         "memory key 0x5a746300): Permission denied; the access failed"},
        {"a claim refused for want of memory",
         {{{"claim", {ENOMEM}}}, {}, {}},
         "/dev/parport0: cannot claim the port (Cannot allocate memory); the access failed"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Calls calls;
        ScriptedKernel::Script script = c.script;
        script.table = std::make_shared<TurnTable>();
        auto [port, kernel] = openOnScript(script, calls);
        ASSERT_TRUE(port);
        EXPECT_EQ(port->writeRegister(PortRegister::Data, 0x55), c.done);
        EXPECT_EQ(noticeText(*port), c.notice);
        EXPECT_EQ(port->lost() ? port->lost()->text : "", c.lost);
    }
}

// Another program is never claimed against and is left alone until it has not been seen for
// the quiet spell, counted from its last sighting; the user hears once a spell, again after
// an access has succeeded.
TEST(PpdevPort, AnotherProgramIsLeftAloneForTheQuietSpellSinceItWasLastSeen)
{
    ScriptedKernel::Script script;
    Calls calls;
    auto [port, kernel] = openOnScript(script, calls);
    ASSERT_TRUE(port);
    const auto start = kernel->m_now;
    struct Step {
        std::chrono::milliseconds at;
        const char *holder;
        bool done;
        bool told;
    };
    const Step steps[] = {
        {0ms, "ppdev0", false, true},    {500ms, "none", false, false},
        {900ms, "ppdev0", false, false}, {1500ms, "none", false, false},
        {1900ms, "none", true, false},   {2000ms, "ppdev0", false, true},
        {62000ms, "none", true, false}, // long after it left, the first access goes through
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.at.count());
        kernel->m_now = start + step.at;
        script.holders = {step.holder};
        calls.clear();
        EXPECT_EQ(port->writeRegister(PortRegister::Data, 0x55), step.done);
        EXPECT_EQ(noticeText(*port).rfind("/dev/parport0: another program is using the port (held "
                                          "by ppdev0",
                                          0) == 0,
                  step.told);
        if (!step.done) {
            EXPECT_EQ(std::count(calls.begin(), calls.end(), "claim 3"), 0)
                << "looked, never claimed";
        }
    }
    EXPECT_EQ(kernel->m_holderDescriptions, 2) << "the programs are looked for only to be told";
}

// Other copies that keep the turn, running or stopped, cost an access at most the wait, and
// the notice says what happened: one copy kept it all along, or several were ahead; a read that
// must not wait does not, and says nothing.
TEST(PpdevPort, CopiesThatKeepTheTurnCostAtMostTheWaitAndAreToldAsTheyWere)
{
    struct Case {
        const char *what;
        ProcessState holder;
        bool handedOnMeanwhile; // to a copy that came before this one, which keeps it
        const char *notice;
    };
    const Case cases[] = {
        {"another copy keeps it", ProcessState::Running, false,
         "/dev/parport0: another copy of Zelvane kept the port for longer than 250 ms (pid 77 "
         "zelvanectl has it); the access failed"},
        {"another copy keeps it, stopped", ProcessState::Stopped, false,
         "/dev/parport0: another copy of Zelvane kept the port for longer than 250 ms (pid 77 "
         "zelvanectl has it); the access failed"},
        {"two copies ahead keep it in turn", ProcessState::Running, true,
         "/dev/parport0: copies of Zelvane ahead of this one kept the port for longer than 250 "
         "ms between them (pid 78 zelvanectl has it now); the access failed"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedKernel::Script script;
        script.turnKept = c.holder;
        Calls calls;
        auto [port, kernel] = openOnScript(script, calls);
        ASSERT_TRUE(port);
        TurnTable &table = kernel->m_table;
        if (c.handedOnMeanwhile) {
            table.next = 2;
            table.seats[1] = Slot{1, 78, SlotState::Waiting}.word();
            kernel->m_processes[78] = ProcessState::Running;
            kernel->m_copies.meanwhile = [&table] {
                table.serving = 1;
                table.seats[1] = Slot{1, 78, SlotState::Holding}.word();
            };
        }
        const auto start = kernel->m_now;
        EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x55));
        EXPECT_GE(kernel->m_now - start, PpdevPort::kAccessWait);
        EXPECT_LE(kernel->m_now - start, PpdevPort::kAccessWait + CopyTurns::kLook);
        EXPECT_EQ(calls, Calls{}) << "nothing of the kernel's without the turn";
        EXPECT_EQ(noticeText(*port), c.notice);

        std::uint8_t status = 0;
        EXPECT_FALSE(port->readRegisterNow(PortRegister::Status, status));
        EXPECT_EQ(calls, Calls{}) << "a read that never waits does not wait";
        EXPECT_EQ(noticeText(*port), "") << "and a lost race of a poll is no news";
        const auto beforeHold = kernel->m_now;
        EXPECT_FALSE(port->holdNow());
        EXPECT_EQ(kernel->m_now, beforeHold) << "nor does a hold for such reads";
        EXPECT_FALSE(port->reserve()) << "a reservation waits as long and no longer";
        EXPECT_LE(kernel->m_now - start, 2 * (PpdevPort::kAccessWait + CopyTurns::kLook));
    }
}

// A reservation keeps the copies' turn across a wait but claims only for each access; a hold
// claims once for its accesses, and so does one for reads that never wait. When the port
// closes, the device is let go of before the turn.
TEST(PpdevPort, AReservationClaimsPerAccessAndAHoldOnce)
{
    ScriptedKernel::Script script;
    Calls calls;
    auto [port, kernel] = openOnScript(script, calls);
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->reserve());
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x01));
    EXPECT_TRUE(kernel->turnIsOurs()) << "across the wait between a pulse's edges";
    kernel->sleepFor(2ms); // a pulse's width
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x00));
    port->letGo();
    EXPECT_TRUE(port->hold());
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x02));
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x03));
    port->letGo();
    std::uint8_t value = 0;
    EXPECT_TRUE(port->holdNow());
    EXPECT_TRUE(port->readRegisterNow(PortRegister::Status, value));
    EXPECT_TRUE(port->readRegisterNow(PortRegister::Control, value));
    port->letGo();
    EXPECT_TRUE(port->hold());
    port.reset();
    EXPECT_EQ(calls,
              (Calls{"holder",    "claim 3",   "wdata 3 1", "release 3", "sleep 2ms", "holder",
                     "claim 3",   "wdata 3 0", "release 3", "holder",    "claim 3",   "wdata 3 2",
                     "wdata 3 3", "release 3", "holder",    "claim 3",   "rstatus 3", "rcontrol 3",
                     "release 3", "holder",    "claim 3",   "release 3", "close 3"}));
    EXPECT_EQ(script.table->serving, script.table->next) << "given back after the close";
}

// The data lines turn in only where the kernel says the port can, in a turn of their own, and
// out again in the last turn before the close, unless kept.
TEST(PpdevPort, DataLinesTurnInWhereTheKernelSaysAndOutAgainAtTheClose)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "not kept");
        ScriptedKernel::Script script;
        Calls calls;
        auto [port, kernel] = openOnScript(script, calls);
        ASSERT_TRUE(port);
        EXPECT_EQ(port->dataDirectionAbility().answer, DirectionAbility::Able);
        EXPECT_TRUE(port->setDataDirection(DataDirection::In));
        if (keep)
            port->keepDataDirectionAtClose();
        port.reset();
        Calls expected{"holder",  "claim 3",     "datadir 3 1", "release 3", "holder",
                       "claim 3", "datadir 3 0", "release 3",   "close 3"};
        if (keep)
            expected.erase(expected.begin() + 4, expected.begin() + 8);
        EXPECT_EQ(calls, expected);
    }
    ScriptedKernel::Script spp;
    spp.modes = PARPORT_MODE_PCSPP;
    Calls calls;
    auto [port, kernel] = openOnScript(spp, calls);
    EXPECT_EQ(port->dataDirectionAbility().why,
              "this port is in SPP mode, whose data lines only drive; fix: set it to PS/2 "
              "(bidirectional), EPP or ECP in the firmware setup");
    EXPECT_FALSE(port->setDataDirection(DataDirection::In));
    EXPECT_EQ(calls, Calls{}) << "not even tried";
}

// Turned in, the data lines come back in on a fresh descriptor before anything else, and go
// out at the close even while another program was seen a moment ago.
TEST(PpdevPort, DataLinesStayInThroughAReopenAndGoOutAtTheCloseWhateverWasSeen)
{
    ScriptedKernel::Script script{{{"claim", {0, kSleeps}}}, {}, {}};
    Calls calls;
    auto [port, kernel] = openOnScript(script, calls);
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->setDataDirection(DataDirection::In));
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x11)) << "cut short, reopened";
    kernel->m_now += PpdevPort::kQuietSpell;
    calls.clear();
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x22));
    script.holders = {"ppdev0"};
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x33));
    port.reset();
    EXPECT_EQ(calls,
              (Calls{"modes 4", "holder", "claim 4", "datadir 4 1", "wdata 4 34", "release 4",
                     "holder", "holder", "claim 4", "datadir 4 0", "release 4", "close 4"}));
}

// A claim cut short: that descriptor is closed once the holder's release has had time to
// pass, and never claims again; the fresh one, once the port has been quiet, first puts back
// the control lines the program set, and keeps that due until it is done.
TEST(PpdevPort, ACutShortClaimReopensAndPutsTheControlLinesBack)
{
    ScriptedKernel::Script script{
        {{"claim", {0, kSleeps}}, {"wcontrol", {0, EAGAIN}}}, {}, {0, EMFILE}};
    Calls calls;
    auto [port, kernel] = openOnScript(script, calls);
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->writeRegister(PortRegister::Control, 0x05));
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x11)) << "cut short, no fd to reopen";
    EXPECT_EQ(noticeText(*port).rfind("/dev/parport0: another program is using the port", 0), 0u);
    EXPECT_EQ(noticeText(*port), "/dev/parport0: cannot open the device again (Too many open "
                                 "files); the access failed");
    EXPECT_FALSE(port->lost()) << "EMFILE does not close the port for good";
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x22)) << "reopened, quiet since now";
    kernel->m_now += PpdevPort::kQuietSpell;
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x33)) << "the lines could not go back";
    EXPECT_EQ(noticeText(*port), "/dev/parport0: cannot put the control lines back after opening "
                                 "the device again (Resource temporarily unavailable); the access "
                                 "failed");
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x44));
    EXPECT_EQ(calls, (Calls{"holder",
                            "claim 3",
                            "wcontrol 3 5",
                            "release 3",
                            "holder",
                            "claim 3",
                            "sleep 5ms",
                            "close 3",
                            "open /dev/parport0 fails",
                            "open /dev/parport0",
                            "holder",
                            "modes 4",
                            "holder",
                            "claim 4",
                            "wcontrol 4 5",
                            "release 4",
                            "holder",
                            "claim 4",
                            "wcontrol 4 5",
                            "wdata 4 68",
                            "release 4"}));
}

} // namespace
