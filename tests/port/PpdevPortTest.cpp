#include "PpdevPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <linux/ppdev.h>
#include <map>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>

namespace {

using Calls = std::vector<std::string>;

// Answers the backend's system calls from a script, as the kernel would, and records them.
// Unscripted calls succeed; the holder reads "none" and opens hand out fd 3, 4, ...
struct ScriptedKernel final : PpdevSystem {
    struct Script {
        std::map<std::string, std::deque<int>> errors; // by call name, in order
        std::deque<std::string> holders;
        std::deque<int> openErrors;
    };
    ScriptedKernel(Script &script, Calls &calls) : m_script(script), m_calls(calls) {}

    int next(const std::string &call)
    {
        auto &queue = m_script.errors[call];
        if (queue.empty())
            return 0;
        const int error = queue.front();
        queue.pop_front();
        return error;
    }
    PpdevNode openNode(const std::string &path) override
    {
        PpdevNode node;
        node.error = m_script.openErrors.empty() ? 0 : m_script.openErrors.front();
        if (!m_script.openErrors.empty())
            m_script.openErrors.pop_front();
        node.fd = node.error ? -1 : m_nextFd++;
        m_calls.push_back("open " + path + (node.error ? " fails" : ""));
        return node;
    }
    void closeNode(int fd) override { m_calls.push_back("close " + std::to_string(fd)); }
    int control(int fd, unsigned long request, void *argument) override
    {
        static const std::map<unsigned long, std::string> names{
            {PPCLAIM, "claim"},       {PPRELEASE, "release"}, {PPWDATA, "wdata"},
            {PPWCONTROL, "wcontrol"}, {PPRSTATUS, "rstatus"}, {PPGETMODES, "modes"}};
        const std::string name = names.at(request);
        std::string call = name + " " + std::to_string(fd);
        if (request == PPWDATA || request == PPWCONTROL)
            call += " " + std::to_string(*static_cast<unsigned char *>(argument));
        if (name != "modes") // looked at on a clock of its own
            m_calls.push_back(call);
        return next(name);
    }
    int lock(int fd, int operation) override
    {
        m_calls.push_back((operation & LOCK_UN ? "unlock " : "lock ") + std::to_string(fd));
        return next("lock");
    }
    int openHolder(unsigned) override { return 0; }
    int readHolder(std::string &holder) override
    {
        holder = m_script.holders.empty() ? "none" : m_script.holders.front();
        if (!m_script.holders.empty())
            m_script.holders.pop_front();
        return next("holder");
    }

    Script &m_script;
    Calls &m_calls;
    int m_nextFd = 3;
};

std::unique_ptr<PpdevPort> openOnScript(ScriptedKernel::Script &script, Calls &calls)
{
    PpdevNode failed;
    auto port =
        PpdevPort::open("/dev/parport0", failed, std::make_unique<ScriptedKernel>(script, calls));
    calls.clear(); // the opening's own calls are not the test's
    return port;
}

struct Outcome {
    Calls calls;
    std::string notice;
    std::string lost;
};

// Opens the port on the script, writes data 0x55 once, and says what came of it.
Outcome writeOnce(ScriptedKernel::Script script)
{
    Outcome run;
    auto port = openOnScript(script, run.calls);
    if (!port) {
        ADD_FAILURE() << "the port did not open";
        return run;
    }
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x55));
    run.notice = port->takeNotice();
    run.lost = port->lostReason();
    return run;
}

// Each way an access fails, with what the user hears and whether the port counts as gone.
TEST(PpdevPort, EachFailureIsToldForWhatItIs)
{
    struct Case {
        const char *what;
        ScriptedKernel::Script script;
        std::string notice;
        std::string lost;
    };
    const Case cases[] = {
        {"another program opened the port exclusively",
         {{{"claim", {ENXIO}}}, {}, {}},
         "/dev/parport0: the port is held exclusively by another program; the access failed",
         ""},
        {"the port went away under the claim",
         {{{"claim", {ENXIO}}, {"modes", {0, ENODEV}}}, {}, {}}, // the first look is the opening's
         "",
         "/dev/parport0: the port has gone away (No such device)"},
        {"EIO from the access",
         {{{"wdata", {EIO}}}, {}, {}},
         "",
         "/dev/parport0: the port has gone away (Input/output error)"},
        {"the kernel's holder unreadable",
         {{{"holder", {EIO}}}, {}, {}},
         "/dev/parport0: cannot see whether the port is free (Input/output error); the access "
         "failed",
         ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome run = writeOnce(c.script);
        EXPECT_EQ(run.notice, c.notice);
        EXPECT_EQ(run.lost, c.lost);
    }
}

// Another program holds the port: it is not claimed, the user hears which, and it is left
// alone while the program keeps using it.
TEST(PpdevPort, AnotherProgramsPortIsNeverClaimed)
{
    ScriptedKernel::Script script{{}, {"ppdev0", "ppdev0", "none"}, {}};
    Calls calls;
    auto port = openOnScript(script, calls);
    ASSERT_TRUE(port);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x55));
    EXPECT_EQ(port->takeNotice().rfind("/dev/parport0: another program is using the port (held "
                                       "by ppdev0",
                                       0),
              0u);
    EXPECT_EQ(calls, (Calls{"lock 3", "unlock 3", "lock 3", "unlock 3", "lock 3", "unlock 3"}))
        << "looked, never claimed: free once is not free for the quiet spell";
}

// A claim cut short: that descriptor never claims again; the fresh one, once the port has been
// quiet, first puts back the control lines the program set, then does the access.
TEST(PpdevPort, ACutShortClaimReopensAndPutsTheControlLinesBack)
{
    ScriptedKernel::Script script{{{"claim", {0, EINTR}}}, {}, {0, EMFILE}};
    Calls calls;
    auto port = openOnScript(script, calls);
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->writeRegister(PortRegister::Control, 0x05));
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x11)) << "cut short, no fd to reopen";
    EXPECT_EQ(port->takeNotice().rfind("/dev/parport0: another program is using the port", 0), 0u);
    EXPECT_TRUE(port->lostReason().empty()) << "EMFILE does not close the port for good";
    EXPECT_FALSE(port->writeRegister(PortRegister::Data, 0x22)) << "reopened, quiet since now";
    std::this_thread::sleep_for(PpdevPort::kQuietSpell + std::chrono::milliseconds(20));
    EXPECT_TRUE(port->writeRegister(PortRegister::Data, 0x44));
    EXPECT_EQ(calls, (Calls{"lock 3", "claim 3", "wcontrol 3 5", "release 3", "unlock 3", "lock 3",
                            "claim 3", "close 3", "open /dev/parport0 fails", "open /dev/parport0",
                            "lock 4", "unlock 4", "lock 4", "claim 4", "wcontrol 4 5", "wdata 4 68",
                            "release 4", "unlock 4"}));
}

} // namespace
