#pragma once

#include <optional>
#include <string>
#include <vector>

struct ConnectorPin;

// zelvanectl's own options, which come before the first command; the words after them are
// the commands, or "-" for a script on standard input.
struct CtlOptions {
    std::optional<std::string> port;             // -p, --port PORT
    bool json = false;                           // -j, --json
    bool help = false;                           // -h, --help, anywhere
    bool version = false;                        // -V, --version
    bool quiet = false;                          // -q, --quiet: nothing on standard output
    bool realtime = false;                       // --realtime
    bool strictTiming = false;                   // --strict-timing: a late pulse edge fails
    std::vector<const ConnectorPin *> activeLow; // -l, --active-low PIN,...
    std::optional<std::string> script;           // -s, --script FILE; "-" is standard input
    std::vector<std::string> commandWords;
};

struct ParsedCtlOptions {
    CtlOptions options;
    std::string usageError; // empty when the options were understood
};

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string> &arguments);

// The whole of --help, every line within 80 columns.
std::string CtlUsage();
