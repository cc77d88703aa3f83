#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What zelvanectl was asked to do: zelvanectl [--port PORT] [--json] COMMAND...
struct ConnectorPin;

struct PinSetting {
    const ConnectorPin *pin; // D0-D7, C0-C3
    std::uint8_t level;
};

struct CtlCommand {
    enum Kind { Ports, Read, Set, Write, Pulse, Sleep, Watch, LoopbackTest } kind;
    std::string target;                // read: data|status|control|all; write: data|control
    std::vector<PinSetting> settings;  // set
    const ConnectorPin *pin = nullptr; // pulse
    std::uint8_t byte = 0;             // write
    unsigned milliseconds = 0;         // pulse, sleep; watch's interval
    std::optional<unsigned> count;     // watch
    std::optional<double> seconds;     // watch
};

struct CtlOptions {
    std::optional<std::string> port; // --port PORT
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<CtlCommand> commands;
};

struct ParsedCtlOptions {
    CtlOptions options;
    std::string usageError; // empty when the line was understood
};

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string> &arguments);

extern const char *const kCtlUsage;
