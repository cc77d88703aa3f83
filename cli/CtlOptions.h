#pragma once

#include <optional>
#include <string>
#include <vector>

// zelvanectl's own options, which come before the first command; the words after them are
// the commands, or "-" for a script on standard input.
struct CtlOptions {
    std::optional<std::string> port;   // -p, --port PORT
    bool json = false;                 // -j, --json
    bool help = false;                 // -h, --help, anywhere
    bool version = false;              // -V, --version
    std::optional<std::string> script; // -s, --script FILE; "-" is standard input
    std::vector<std::string> commandWords;
};

struct ParsedCtlOptions {
    CtlOptions options;
    std::string usageError; // empty when the options were understood
};

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string> &arguments);

// The whole of --help.
std::string CtlUsage();
