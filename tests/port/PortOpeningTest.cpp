#include "DirectPortAccess.h"
#include "KernelParport.h"
#include "PortChoice.h"
#include "PortOpening.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

fs::path scratchFile(const std::string &name, const std::string &content)
{
    const fs::path path = fs::temp_directory_path() / ("zelvane-test-" + std::to_string(getpid()) + "-" + name);
    std::ofstream(path) << content;
    return path;
}

TEST(PortChoice, ParsesEveryDocumentedValueAndNothingElse)
{
    EXPECT_EQ(ParsePortChoice(nullptr), PortChoice::Auto);
    EXPECT_EQ(ParsePortChoice(""), PortChoice::Auto);
    EXPECT_EQ(ParsePortChoice("auto"), PortChoice::Auto);
    EXPECT_EQ(ParsePortChoice("direct"), PortChoice::Direct);
    EXPECT_EQ(ParsePortChoice("ppdev"), PortChoice::Ppdev);
    EXPECT_EQ(ParsePortChoice("sim"), PortChoice::Simulated);
    EXPECT_EQ(ParsePortChoice("none"), PortChoice::None);
    for (const char *bad : {"SIM", "simulated", " sim", "direct ", "1"})
        EXPECT_EQ(ParsePortChoice(bad), std::nullopt) << bad;
}

TEST(KernelParport, ReadsTheFirstPortsBaseAddress)
{
    EXPECT_EQ(FirstParportBaseAddress(scratchFile("base", "888\t0\n").c_str()), 888u);
    EXPECT_EQ(FirstParportBaseAddress(scratchFile("pcie", "53248\t53240\n").c_str()), 53248u);
    EXPECT_EQ(FirstParportBaseAddress(scratchFile("junk", "n/a\n").c_str()), std::nullopt);
    EXPECT_EQ(FirstParportBaseAddress("/nonexistent/base-addr"), std::nullopt);
    EXPECT_EQ(HexAddress(53248), "D000");
}

TEST(PortOpening, SimulatedAndNone)
{
    auto sim = OpenPortBackend({"sim"});
    ASSERT_TRUE(sim.backend);
    EXPECT_EQ(sim.backend->describe(), "simulated port with loopback plug");

    auto none = OpenPortBackend({"none"});
    EXPECT_FALSE(none.backend);
    EXPECT_EQ(none.refusals, std::vector<std::string>{"ZELVANE_PORT=none: no port opened"});
}

TEST(PortOpening, PpdevRefusalsSayWhy)
{
    auto missing = OpenPortBackend({"ppdev", "/nonexistent/parport0"});
    EXPECT_FALSE(missing.backend);
    EXPECT_EQ(missing.refusals,
              std::vector<std::string>{
                  "ppdev: /nonexistent/parport0: no such device (is the ppdev module loaded?)"});

    // A node that is not a parallel port cannot be claimed, and is closed again at once.
    const fs::path notAPort = scratchFile("notaport", "");
    auto wrong = OpenPortBackend({"ppdev", notAPort.string()});
    EXPECT_FALSE(wrong.backend);
    ASSERT_EQ(wrong.refusals.size(), 1u);
    EXPECT_EQ(wrong.refusals[0].rfind("ppdev: " + notAPort.string() + ": cannot claim the port", 0), 0u)
        << wrong.refusals[0];
}

TEST(PortOpening, DirectNeedsTheStartUpGrant)
{
    // No grant was asked for in this process, so direct refuses and auto moves on to ppdev.
    auto direct = OpenPortBackend({"direct"});
    EXPECT_FALSE(direct.backend);
    EXPECT_EQ(direct.refusals, std::vector<std::string>{"direct: not requested"});

    auto automatic = OpenPortBackend({"auto", "/nonexistent/parport0"});
    EXPECT_FALSE(automatic.backend);
    ASSERT_EQ(automatic.refusals.size(), 2u);
    EXPECT_EQ(automatic.refusals[0], "direct: not requested");
    EXPECT_EQ(automatic.refusals[1].rfind("ppdev: ", 0), 0u);
}

TEST(DirectPortGrant, IsNotAskedForOtherChoicesAndCapabilitiesAreDroppedAnyway)
{
    setenv("ZELVANE_PORT", "sim", 1);
    const DirectPortGrant &grant = RequestDirectPortGrant();
    EXPECT_FALSE(grant.granted);
    EXPECT_EQ(grant.refusal, "not requested");

    std::ifstream status("/proc/self/status");
    std::string line;
    bool seen = false;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) == 0 || line.rfind("CapPrm:", 0) == 0) {
            EXPECT_EQ(line.substr(line.find_first_not_of(" \t", 7)), "0000000000000000") << line;
            seen = true;
        }
    }
    EXPECT_TRUE(seen);
    unsetenv("ZELVANE_PORT");
}

} // namespace
