#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// zelvanectl runs of their own, on a runtime folder of this test's own, as programs of one
// user meet on sim:NAME.
class SharedSimCli : public ::testing::Test {
protected:
    struct Run {
        int status;
        std::string out;
        std::string err;
    };

    void SetUp() override
    {
        char pattern[] = "/tmp/zelvane-sim-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_runtime = pattern;
        setenv("XDG_RUNTIME_DIR", pattern, 1);
        unsetenv("ZELVANE_PORT");
    }
    void TearDown() override
    {
        unsetenv("XDG_RUNTIME_DIR");
        ASSERT_EQ(std::system(("rm -rf '" + m_runtime + "'").c_str()), 0);
    }

    // Started with standard output and error on pipes; null arguments end the list.
    static pid_t start(const std::vector<std::string> &arguments, int &out, int &err)
    {
        std::vector<char *> argv{const_cast<char *>(ZELVANECTL_PROGRAM)};
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        int outPipe[2], errPipe[2];
        EXPECT_EQ(pipe(outPipe), 0);
        EXPECT_EQ(pipe(errPipe), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        posix_spawn_file_actions_addclose(&actions, outPipe[0]);
        posix_spawn_file_actions_addclose(&actions, errPipe[0]);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, ZELVANECTL_PROGRAM, &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        out = outPipe[0];
        err = errPipe[0];
        return pid;
    }
    static std::string readAll(int fd)
    {
        std::string all;
        char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
            all.append(buffer, static_cast<std::size_t>(n));
        close(fd);
        return all;
    }
    static int waitFor(pid_t pid)
    {
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    static Run run(const std::vector<std::string> &arguments)
    {
        int out = -1, err = -1;
        const pid_t pid = start(arguments, out, err);
        Run done{0, readAll(out), readAll(err)};
        done.status = waitFor(pid);
        return done;
    }

    std::string m_runtime;
};

// Event lines without their time, which no test can know.
std::string withoutTimes(const std::string &text)
{
    return std::regex_replace(text, std::regex("^[0-9]+\\.[0-9]+ ", std::regex::multiline), "");
}

TEST_F(SharedSimCli, ALevelSetByOneRunIsReadByTheNext)
{
    EXPECT_EQ(run({"-p", "sim:bench", "set", "D0=1", "D3=1"}).status, 0);
    const Run next = run({"-p", "sim:bench", "get", "D0", "D3", "S3", "S6"});
    EXPECT_EQ(next.out + next.err, "1\n1\n1\n1\n");
    EXPECT_EQ(run({"-p", "sim", "get", "D0"}).out, "0\n") << "plain sim stays private";
}

TEST_F(SharedSimCli, EveryOutsideCommandAsAUserMeetsIt)
{
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out;
        std::string err;
    };
    const std::string usage = "\nTry 'zelvanectl --help' for more information.\n";
    const std::string notShared =
        "zelvanectl: sim: the port's outside can be driven only on a shared simulated port; "
        "choose one with -p sim:NAME (--port is ";
    const Case cases[] = {
        {{"-p", "sim:t", "set", "D0=1", "C0=0", "data-direction", "in", "--keep", "sim", "drive",
          "S6=1", "BUSY=0", "D5=0", "sim", "show"},
         0,
         "sim:t: plug loopback, data lines in\n"
         "C0  pin 1   0  the port\n"
         "D0  pin 2   1  nothing (pulled up through the plug)\n"
         "D1  pin 3   1  nothing (pulled up through the plug)\n"
         "D2  pin 4   1  nothing (pulled up through the plug)\n"
         "D3  pin 5   1  nothing (pulled up through the plug)\n"
         "D4  pin 6   1  nothing (pulled up through the plug)\n"
         "D5  pin 7   0  sim drive\n"
         "D6  pin 8   1  nothing (floats high)\n"
         "D7  pin 9   1  nothing (floats high)\n"
         "S6  pin 10  1  sim drive\n"
         "S7  pin 11  0  sim drive\n"
         "S5  pin 12  1  the plug, from D2\n"
         "S4  pin 13  1  the plug, from D1\n"
         "C1  pin 14  1  the port\n"
         "S3  pin 15  1  the plug, from D0\n"
         "C2  pin 16  1  the port\n"
         "C3  pin 17  1  the port\n",
         ""},
        {{"-p", "sim:t", "watch", "-n0", "--pins", "D5", "sim", "release", "all", "read", "data",
          "data-direction", "out", "read", "status"},
         0,
         "data 0xDF D5=0\ndata 0xFF D0=1 D1=1 D2=1 D3=1 D4=1 D5=1 D6=1 D7=1\n"
         "status 0x8F S3=1 S4=0 S5=0 S6=0 S7=0\n",
         ""},
        {{"-p",    "sim:t",          "sim",  "plug",   "none",   "sim",
          "drive", "S4=0",           "read", "status", "sleep",  "1ms",
          "sim",   "release",        "S4",   "read",   "status", "sim",
          "plug",  "loopback",       "read", "status", "sim",    "plug",
          "none",  "data-direction", "in",   "sim",    "show"},
         0,
         "status 0x6F S3=1 S4=0 S5=1 S6=1 S7=1\nstatus 0x7F S3=1 S4=1 S5=1 S6=1 S7=1\n"
         "status 0x8F S3=1 S4=0 S5=0 S6=0 S7=0\n"
         "sim:t: plug none, data lines in\n"
         "C0  pin 1   0  the port\n"
         "D0  pin 2   1  nothing (floats high)\n"
         "D1  pin 3   1  nothing (floats high)\n"
         "D2  pin 4   1  nothing (floats high)\n"
         "D3  pin 5   1  nothing (floats high)\n"
         "D4  pin 6   1  nothing (floats high)\n"
         "D5  pin 7   1  nothing (floats high)\n"
         "D6  pin 8   1  nothing (floats high)\n"
         "D7  pin 9   1  nothing (floats high)\n"
         "S6  pin 10  1  nothing (floats high)\n"
         "S7  pin 11  1  nothing (floats high)\n"
         "S5  pin 12  1  nothing (floats high)\n"
         "S4  pin 13  1  nothing (floats high)\n"
         "C1  pin 14  1  the port\n"
         "S3  pin 15  1  nothing (floats high)\n"
         "C2  pin 16  1  the port\n"
         "C3  pin 17  1  the port\n",
         ""},
        {{"-p", "sim:t", "sim", "reset", "read", "data", "read", "control"},
         0,
         "data 0x00 D0=0 D1=0 D2=0 D3=0 D4=0 D5=0 D6=0 D7=0\n"
         "control 0xC4 C0=1 C1=1 C2=1 C3=1\n",
         ""},
        {{"-p", "sim", "sim", "show"}, 2, "", notShared + "the private sim)" + usage},
        {{"-p", "none", "sim", "drive", "S3=1"},
         2,
         "",
         notShared + "not a simulated port)" + usage},
        {{"-p", "sim:t", "sim", "drive", "C0=1"},
         2,
         "",
         "zelvanectl: sim drive: \"C0\" is driven by the port; the outside holds S3-S7 and D0-D7" +
             usage},
        {{"-p", "sim:t", "sim", "drive", "S3=2"},
         2,
         "",
         "zelvanectl: sim drive: \"S3=2\" is not PIN=0 or PIN=1 (or on/off, high/low)" + usage},
        {{"-p", "sim:t", "sim", "drive"}, 2, "", "zelvanectl: sim drive needs PIN=0|1" + usage},
        {{"-p", "sim:t", "-j", "sim", "drive", "S3=1", "sim", "show"},
         2,
         "",
         "zelvanectl: sim show prints a table for people; it cannot be used with --json" + usage},
        {{"-p", "sim:t", "sim", "release"},
         2,
         "",
         "zelvanectl: sim release needs a pin, or all" + usage},
        {{"-p", "sim:t", "sim", "plug", "maybe"},
         2,
         "",
         "zelvanectl: sim plug: \"maybe\" is not loopback or none" + usage},
        {{"-p", "sim:a.b", "read", "data"},
         2,
         "",
         "zelvanectl: --port=\"sim:a.b\": a simulated port's name is 1 to 64 letters, digits, - "
         "or _" +
             usage},
    };
    for (const Case &c : cases) {
        std::string line;
        for (const std::string &argument : c.arguments)
            line += argument + " ";
        SCOPED_TRACE(line);
        const Run done = run(c.arguments);
        EXPECT_EQ(done.status, c.status);
        EXPECT_EQ(withoutTimes(done.out), c.out);
        EXPECT_EQ(done.err, c.err);
    }
}

TEST_F(SharedSimCli, AnEdgeDrivenByOneRunIsSeenByAWatchInAnother)
{
    struct Case {
        std::vector<std::string> drive;
        std::string events; // after the watch's state line
    };
    const Case cases[] = {
        {{"sim", "drive", "S6=1"}, "S6 rising\n"},
        {{"sim", "drive", "BUSY=1"}, "S7 rising\n"},
        {{"set", "D1=1"}, "S4 rising\n"},          // through the plug
        {{"sim", "drive", "ACK=0", "BUSY=0"}, ""}, // held where they were: no edge
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.drive.front() + " " + c.drive[1]);
        ASSERT_EQ(run({"-p", "sim:w", "sim", "reset", "sim", "drive", "S7=0", "S6=0"}).status, 0);
        int out = -1, err = -1;
        // The duration only ends a watch that never sees its edge.
        const pid_t watch = start({"-p", "sim:w", "watch", "-n1", "--interval", "1ms", "--pins",
                                   "S4,S6,BUSY", "--duration", c.events.empty() ? "0.2" : "20"},
                                  out, err);
        FILE *lines = fdopen(out, "r");
        char *state = nullptr;
        std::size_t size = 0;
        ASSERT_GT(getline(&state, &size, lines), 0); // polling has begun
        EXPECT_EQ(withoutTimes(state), "status 0x87 S4=0 S6=0 S7=0\n");
        free(state);
        std::vector<std::string> drive{"-p", "sim:w"};
        drive.insert(drive.end(), c.drive.begin(), c.drive.end());
        EXPECT_EQ(run(drive).status, 0);
        std::string rest;
        for (int ch; (ch = fgetc(lines)) != EOF;)
            rest += static_cast<char>(ch);
        fclose(lines);
        EXPECT_EQ(withoutTimes(rest), c.events);
        EXPECT_EQ(readAll(err), "");
        EXPECT_EQ(waitFor(watch), 0);
    }
}

} // namespace
