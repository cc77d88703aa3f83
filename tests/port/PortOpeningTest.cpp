#include "PortOpening.h"
#include "DirectPortGrant.h"
#include "KernelParport.h"
#include "MessageText.h"
#include "PortChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

fs::path scratchFile(const std::string &name, const std::string &content)
{
    const fs::path path =
        fs::temp_directory_path() / ("zelvane-test-" + std::to_string(getpid()) + "-" + name);
    std::ofstream(path) << content;
    return path;
}

TEST(PortChoice, ParsesEveryDocumentedFormAndNothingElse)
{
    using M = PortMethod;
    struct Case {
        const char *text;
        std::optional<M> method; // nullopt: refused
        std::optional<unsigned> base = std::nullopt;
        std::string node = {};
        bool outOfRange = false; // refused as a base past 0xFFFD, not as unknown
    };
    const Case cases[] = {
        {nullptr, M::Auto},
        {"", M::Auto},
        {"auto", M::Auto},
        {"direct", M::Direct},
        {"ppdev", M::Ppdev},
        {"sim", M::Simulated},
        {"none", M::None},
        {"direct:0x278", M::Direct, 0x278u},
        {"direct:0XD010", M::Direct, 0xD010u},
        {"direct:888", M::Direct, 888u},
        {"direct:0xFFFD", M::Direct, 0xFFFDu},
        {"direct-unchecked:0x37", M::Direct, 0x37u},
        {"ppdev:/dev/parport1", M::Ppdev, std::nullopt, "/dev/parport1"},
        {"ppdev:2", M::Ppdev, std::nullopt, "/dev/parport2"},
        {"ppdev:255", M::Ppdev, std::nullopt, "/dev/parport255"},
        {"ppdev:256", std::nullopt}, // past the kernel's last minor
        {"SIM", std::nullopt},
        {" sim", std::nullopt},
        {"direct ", std::nullopt},
        {"direct:", std::nullopt},
        {"direct:0x", std::nullopt},
        {"direct:0xFFFE", std::nullopt, std::nullopt, {}, true}, // registers past 0xFFFF
        {"direct-unchecked:65534", std::nullopt, std::nullopt, {}, true},
        {"direct:-1", std::nullopt},
        {"direct:0x378 ", std::nullopt},
        {"direct:99999999999", std::nullopt, std::nullopt, {}, true},
        {"direct:0xFFFG", std::nullopt},
        {"direct-unchecked:", std::nullopt},
        {"ppdev:", std::nullopt},
        {"ppdev:/", std::nullopt},
        {"ppdev:parport0", std::nullopt},
        {"ppdev:-1", std::nullopt},
    };
    for (const Case &c : cases) {
        const ParsedPortChoice parsed = ParsePortChoice(c.text);
        SCOPED_TRACE(c.text ? c.text : "(unset)");
        ASSERT_EQ(parsed.choice.has_value(), c.method.has_value()) << parsed.error;
        if (!parsed.choice) {
            EXPECT_EQ(parsed.error,
                      "ZELVANE_PORT=" + QuotedForMessage(c.text) +
                          (c.outOfRange ? " is out of range: a port's three registers must fit "
                                          "below 0x10000, so its base is at most 0xFFFD"
                                        : " is not known; use " + std::string(kPortChoiceForms)));
            continue;
        }
        EXPECT_EQ(parsed.choice->method, *c.method);
        EXPECT_EQ(parsed.choice->directBase, c.base);
        EXPECT_EQ(parsed.choice->baseUnchecked,
                  std::string_view(c.text ? c.text : "").starts_with("direct-unchecked:"));
        EXPECT_EQ(parsed.choice->ppdevNode, c.node);
    }
}

TEST(KernelParport, AcceptsOnlyAnIoPortBaseAndReadsTheHolder)
{
    const fs::path root = fs::temp_directory_path() / ("zelvane-proc-" + std::to_string(getpid()));
    struct Case {
        const char *content;
        std::optional<unsigned> base;
    };
    for (const Case c : {Case{"888\t0\n", 888u},
                         {"53248\t53240\n", 53248u},
                         {"65535\n", 0xFFFFu},
                         {"65536\n", std::nullopt},
                         {"4294968184\t0\n", std::nullopt},
                         {"-1\n", std::nullopt},
                         {"n/a\n", std::nullopt}}) {
        fs::create_directories(root / "parport0/devices");
        std::ofstream(root / "parport0/base-addr") << c.content;
        EXPECT_EQ(ParportBaseAddress(0, root.string()), c.base) << c.content;
    }
    EXPECT_EQ(ParportBaseAddress(1, root.string()), std::nullopt);

    EXPECT_EQ(ParportHolder(0, root.string()), std::nullopt) << "no devices/active: not known";
    std::ofstream(root / "parport0/devices/active") << "lp0\n";
    EXPECT_EQ(ParportHolder(0, root.string()), "lp0");
    fs::remove_all(root);
    EXPECT_EQ(HexAddress(53248), "D000");
}

TEST(MessageText, OutsideTextIsQuotedEscapedAndCut)
{
    EXPECT_EQ(QuotedForMessage("lpt1"), "\"lpt1\"");
    EXPECT_EQ(QuotedForMessage(" sim\n"), "\" sim\\n\"");
    EXPECT_EQ(QuotedForMessage("a\x1b[2Jb\t\"\\"), "\"a\\x1B[2Jb\\t\\\"\\\\\"");
    EXPECT_EQ(QuotedForMessage("~\x7f"), "\"~\\x7F\"") << "DEL is a control character too";
    EXPECT_EQ(QuotedForMessage("\xff\xc3(\xc2\x85"), "\"\\xFF\\xC3(\\xC2\\x85\"");
    EXPECT_EQ(QuotedForMessage("端口"), "\"端口\"") << "UTF-8 text stays readable";
    const std::string huge(100000, 'x');
    EXPECT_EQ(QuotedForMessage(huge), "\"" + std::string(64, 'x') + "\"...");
    EXPECT_EQ(QuotedForMessage(std::string(64, 'x')), "\"" + std::string(64, 'x') + "\"");
}

TEST(PortOpening, SimulatedAndNone)
{
    auto sim = OpenPortBackend(ParsePortChoice("sim"));
    ASSERT_TRUE(sim.backend);
    EXPECT_EQ(sim.backend->describe(), "simulated port with loopback plug");

    auto none = OpenPortBackend(ParsePortChoice("none"));
    EXPECT_FALSE(none.backend);
    EXPECT_EQ(none.refusals, std::vector<std::string>{"ZELVANE_PORT=none: no port opened"});
}

TEST(PortOpening, PpdevRefusalsSayWhy)
{
    // A missing file of the user's is not blamed on the driver; outside text is quoted.
    for (const auto &[node, refusal] : std::vector<std::pair<std::string, std::string>>{
             {"/nonexistent/parport0", "ppdev: /nonexistent/parport0: no such file"},
             {"/tmp/a\nb", "ppdev: \"/tmp/a\\nb\": no such file"},
             {"/tmp/" + std::string(5000, 'x'),
              "ppdev: \"/tmp/" + std::string(59, 'x') + "\"...: File name too long"}}) {
        const auto missing = OpenPortBackend(ParsePortChoice(("ppdev:" + node).c_str()));
        EXPECT_FALSE(missing.backend);
        EXPECT_EQ(missing.refusals, std::vector<std::string>{refusal});
    }

    // Nodes that are not the kernel's parallel-port devices are not even opened.
    const fs::path fifo = fs::temp_directory_path() / ("zelvane-fifo-" + std::to_string(getpid()));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &path : {scratchFile("notaport", "").string(), fifo.string(),
                                    std::string("/dev/null"), std::string("/tmp")}) {
        auto wrong = OpenPortBackend(ParsePortChoice(("ppdev:" + path).c_str()));
        EXPECT_FALSE(wrong.backend);
        EXPECT_EQ(wrong.refusals,
                  std::vector<std::string>{"ppdev: " + path + ": not a parallel-port device"});
    }
    fs::remove(fifo);
}

TEST(PortOpening, DirectNeedsTheStartUpGrant)
{
    // No grant was asked for in this process, so direct refuses and auto moves on to ppdev.
    auto direct = OpenPortBackend(ParsePortChoice("direct"));
    EXPECT_FALSE(direct.backend);
    EXPECT_EQ(direct.refusals, std::vector<std::string>{"direct: not requested"});

    auto automatic = OpenPortBackend(ParsePortChoice("auto"));
    EXPECT_FALSE(automatic.backend);
    ASSERT_EQ(automatic.refusals.size(), 2u);
    EXPECT_EQ(automatic.refusals[0], "direct: not requested");
    EXPECT_EQ(automatic.refusals[1].rfind("ppdev: ", 0), 0u);
}

TEST(DirectPortGrant, IsNotAskedForOtherChoicesAndPrivilegeIsDroppedAnyway)
{
    SelectPortChoice(ParsePortChoice("sim"));
    const DirectPortGrant &grant = RequestDirectPortGrant();
    EXPECT_FALSE(grant.granted);
    EXPECT_EQ(grant.refusal, "not requested");
    SelectPortChoice(ParsePortChoice(nullptr));

    // Root (as CI runs this) must not keep any way back to a capability either.
    std::map<std::string, std::string> expected{{"CapInh:", "0000000000000000"},
                                                {"CapPrm:", "0000000000000000"},
                                                {"CapEff:", "0000000000000000"},
                                                {"CapAmb:", "0000000000000000"},
                                                {"NoNewPrivs:", "1"}};
    if (geteuid() == 0)
        expected["CapBnd:"] = "0000000000000000";
    std::ifstream status("/proc/self/status");
    std::map<std::string, std::string> seen;
    for (std::string line; std::getline(status, line);) {
        const std::string key = line.substr(0, line.find(':') + 1);
        if (expected.count(key))
            seen[key] = line.substr(line.find_first_not_of(" \t", key.size()));
    }
    EXPECT_EQ(seen, expected);
}

} // namespace
