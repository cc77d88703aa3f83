#include "SharedSimFile.h"
#include "PortChoice.h"
#include "PortOpening.h"
#include "SimulatedPort.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Each test in a runtime folder of its own, as a login session gives one.
class SharedSimFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zelvane-sim-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_runtime = pattern;
        setenv("XDG_RUNTIME_DIR", pattern, 1);
    }
    void TearDown() override
    {
        unsetenv("XDG_RUNTIME_DIR");
        ASSERT_EQ(std::system(("rm -rf '" + m_runtime + "'").c_str()), 0);
    }
    std::string path(const std::string &name) const { return m_runtime + "/zelvane/sim-" + name; }
    static std::unique_ptr<PortBackend> open(const std::string &name, std::string *why = nullptr)
    {
        PortOpening opening = OpenPortBackend(ParsePortChoice(("sim:" + name).c_str()));
        if (why && !opening.refusals.empty())
            *why = opening.refusals.front();
        return std::move(opening.backend);
    }
    // What a file holds, or for a link what it says, or for a folder its mode: what must
    // not change when it is refused.
    static std::string contents(const std::string &at)
    {
        struct stat info {};
        if (lstat(at.c_str(), &info) != 0)
            return "missing";
        if (S_ISLNK(info.st_mode)) {
            char target[256] = {};
            return "link to " + std::string(target, readlink(at.c_str(), target, sizeof target));
        }
        std::ostringstream all;
        all << std::oct << info.st_mode << " " << info.st_uid << " ";
        if (S_ISREG(info.st_mode))
            all << std::ifstream(at, std::ios::binary).rdbuf();
        return all.str();
    }

    std::string m_runtime;
};

std::uint8_t read(PortBackend &port, PortRegister reg)
{
    std::uint8_t value = 0;
    EXPECT_TRUE(port.readRegister(reg, value));
    return value;
}

// Only root, and only while it keeps the capability (another test here may drop it).
bool mayGiveFilesAway()
{
    char scratch[] = "/tmp/zelvane-chown-XXXXXX";
    const int fd = mkstemp(scratch);
    const bool may = fd >= 0 && fchown(fd, 4242, -1) == 0;
    close(fd);
    unlink(scratch);
    return may;
}

// Runs step in a child process, as another program of the user would, and waits for it.
void inAnotherProcess(const std::function<bool()> &step)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(step() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(SharedSimFileTest, AnotherProgramsWritesAndDrivesShowAtOnceInAnOpenPort)
{
    const auto port = open("bench");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->describe(), "shared simulated port bench");
    inAnotherProcess([] {
        const auto other = open("bench");
        return other && other->writeRegister(PortRegister::Data, 0xA5) &&
               other->writeRegister(PortRegister::Control, 0x0B);
    });
    EXPECT_EQ(read(*port, PortRegister::Data), 0xA5);
    EXPECT_EQ(read(*port, PortRegister::Control), 0xCB);
    EXPECT_EQ(read(*port, PortRegister::Status), 0xAF) << "the plug carries D0, D2 onto S3, S5";

    inAnotherProcess([] {
        std::string why;
        auto outside = SharedSimFile::open("bench", why);
        SimulatedPort driver(std::move(outside));
        driver.keepDataDirectionAtClose();
        driver.drive(0x18, 0x08, 0, 0); // S6 high, S7 low, over the plug
        return true;
    });
    EXPECT_EQ(read(*port, PortRegister::Status), 0xEF);
    EXPECT_EQ(read(*port, PortRegister::Data), 0xA5) << "a drive leaves the registers";
}

TEST_F(SharedSimFileTest, ProgramsOpeningANewPortTogetherAllGetTheSameWholeOne)
{
    constexpr int kPrograms = 6, kPorts = 30;
    std::vector<pid_t> programs;
    for (int n = 0; n < kPrograms; ++n) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool all = true;
            for (int port = 0; port < kPorts; ++port) {
                const auto opened = open("race-" + std::to_string(port));
                all = all && opened && opened->writeRegister(PortRegister::Data, 0xC3);
            }
            _exit(all ? 0 : 1);
        }
        programs.push_back(child);
    }
    for (const pid_t child : programs) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int port = 0; port < kPorts; ++port)
        EXPECT_EQ(read(*open("race-" + std::to_string(port)), PortRegister::Data), 0xC3);
    EXPECT_EQ(std::system(("test $(ls '" + m_runtime + "/zelvane' | wc -l) = 30").c_str()), 0)
        << "no half-made file is left behind";
}

TEST_F(SharedSimFileTest, DataLinesLeftInWithKeepStayInForTheNextOpeningOtherwiseGoOut)
{
    for (const bool keep : {false, true}) {
        {
            const auto port = open("dir");
            ASSERT_TRUE(port && port->setDataDirection(DataDirection::In));
            if (keep)
                port->keepDataDirectionAtClose();
        }
        const auto again = open("dir");
        EXPECT_EQ(again->dataDirectionAtOpening(), keep ? DataDirection::In : DataDirection::Out);
    }
}

TEST_F(SharedSimFileTest, OnlyNamesOfLettersDigitsDashAndUnderscoreAreTaken)
{
    for (const char *good : {"sim:bench", "sim:A-1_b", "sim:x"}) {
        const ParsedPortChoice parsed = ParsePortChoice(good);
        ASSERT_TRUE(parsed.choice) << good;
        EXPECT_EQ("sim:" + parsed.choice->simName, good);
    }
    EXPECT_EQ(ParsePortChoice("sim").choice->simName, "") << "plain sim stays private";
    const std::string tooLong = "sim:" + std::string(65, 'a');
    for (const char *bad :
         {"sim:", "sim:a.b", "sim:../x", "sim:a/b", "sim:a b", "sim:é", tooLong.c_str()}) {
        const ParsedPortChoice parsed = ParsePortChoice(bad);
        EXPECT_FALSE(parsed.choice) << bad;
        EXPECT_NE(parsed.error.find("a simulated port's name is 1 to 64 letters, digits, - or _"),
                  std::string::npos)
            << parsed.error;
    }
}

TEST_F(SharedSimFileTest, AFileThatIsNotAPortOfOursIsRefusedAndLeftAsItWas)
{
    struct Case {
        const char *what;
        std::function<void(const std::string &)> make;
        const char *error; // after the path
        bool needsChown = false;
    };
    const auto corrupt = [](std::size_t at, char byte) {
        return [at, byte](const std::string &file) {
            std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(static_cast<std::streamoff>(at));
            f.put(byte);
        };
    };
    const Case cases[] = {
        {"corrupt magic", corrupt(0, 'X'), " is not a simulated port's file"},
        {"another version", corrupt(8, 2), " is a simulated port of another version (2)"},
        {"truncated", [](const std::string &file) { ASSERT_EQ(truncate(file.c_str(), 12), 0); },
         " has the wrong size (12 bytes, not 40)"},
        {"grown", [](const std::string &file) { ASSERT_EQ(truncate(file.c_str(), 4096), 0); },
         " has the wrong size (4096 bytes, not 40)"},
        {"a symbolic link",
         [](const std::string &file) {
             ASSERT_EQ(rename(file.c_str(), (file + "-real").c_str()), 0);
             ASSERT_EQ(symlink((file + "-real").c_str(), file.c_str()), 0);
         },
         " is a symbolic link"},
        {"a folder",
         [](const std::string &file) {
             ASSERT_EQ(unlink(file.c_str()), 0);
             ASSERT_EQ(mkdir(file.c_str(), 0700), 0);
         },
         " is not a plain file (a folder)"},
        {"a FIFO",
         [](const std::string &file) {
             ASSERT_EQ(unlink(file.c_str()), 0);
             ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
         },
         " is not a plain file"},
        {"another user's",
         [](const std::string &file) { ASSERT_EQ(chown(file.c_str(), 4242, -1), 0); },
         " belongs to another user", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsChown && !mayGiveFilesAway()) {
            std::cout << "no right to give a file away: the foreign owner's case is left out\n";
            continue;
        }
        const std::string name = "bad-" + std::to_string(&c - cases);
        open(name); // made as a valid port first
        c.make(path(name));
        const std::string before = contents(path(name));
        std::string why;
        EXPECT_FALSE(open(name, &why));
        EXPECT_EQ(why, "sim:" + name + ": " + path(name) + c.error + "; 'zelvanectl -p sim:" +
                           name + " sim reset' (or removing the file) makes a new one");
        EXPECT_EQ(contents(path(name)), before) << "nothing written through it";
    }
}

TEST_F(SharedSimFileTest, ResetRewritesAValidPortInPlaceAndRemovesAnInvalidOne)
{
    const auto port = open("r");
    port->writeRegister(PortRegister::Data, 0x55);
    std::string why;
    ASSERT_TRUE(SharedSimFile::reset("r", why)) << why;
    EXPECT_EQ(read(*port, PortRegister::Data), 0x00) << "seen at once by a program on it";

    ASSERT_EQ(truncate(path("r").c_str(), 3), 0);
    ASSERT_TRUE(SharedSimFile::reset("r", why)) << why;
    EXPECT_EQ(contents(path("r")), "missing");
    EXPECT_TRUE(open("r")) << "made anew at the next opening";
    EXPECT_TRUE(SharedSimFile::reset("never-made", why));
}

TEST_F(SharedSimFileTest, AFolderOthersMayEnterIsRefused)
{
    ASSERT_EQ(mkdir((m_runtime + "/zelvane").c_str(), 0755), 0);
    std::string why;
    EXPECT_FALSE(open("x", &why));
    EXPECT_EQ(why, "sim:x: " + m_runtime +
                       "/zelvane is not a private folder of this user (it must be a folder of "
                       "ours with mode 0700); remove it");
    EXPECT_EQ(contents(path("x")), "missing");
}

TEST_F(SharedSimFileTest, WithoutARuntimeFolderOfOursAPrivateOneUnderTmpIsMade)
{
    const std::string folder = "/tmp/zelvane-" + std::to_string(geteuid());
    std::string why;
    for (const char *runtime : {"", "relative", "/nonexistent-runtime"}) {
        setenv("XDG_RUNTIME_DIR", runtime, 1);
        EXPECT_EQ(SharedSimFile::pathOf("t", why), folder + "/sim-t") << runtime;
    }
    if (mayGiveFilesAway()) { // another user's runtime folder, as root run with their setting
        ASSERT_EQ(chown(m_runtime.c_str(), 4242, -1), 0);
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        EXPECT_EQ(SharedSimFile::pathOf("t", why), folder + "/sim-t");
        ASSERT_EQ(chown(m_runtime.c_str(), geteuid(), -1), 0);
    }
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SharedSimFile::pathOf("t", why), folder + "/sim-t");
    struct stat info {};
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

} // namespace
