#pragma once

#include "CtlNumbers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ConnectorPin;

struct PinSetting {
    const ConnectorPin *pin; // an output: D0-D7, C0-C3
    unsigned level;          // as the user's logic says
    bool toggle = false;     // instead: the opposite of what the register holds
};

enum class Edges { Rising, Falling, Both };

struct PulseRequest {
    const ConnectorPin *pin = nullptr;
    Microseconds width{};
    std::uint64_t count = 1;
    Microseconds period{}; // start to start; only with count > 1
};

struct WatchRequest {
    Microseconds interval = std::chrono::milliseconds(20);
    std::vector<const ConnectorPin *> pins; // inputs, S3-S7 by default
    Edges edges = Edges::Both;
    std::optional<std::uint64_t> count; // events
    std::optional<Microseconds> duration;
    std::optional<Microseconds> idleTimeout;
    std::string vcdPath;               // empty: no trace
    std::optional<std::string> format; // none: the output's own form, with a state line first
};

// What a shared simulated port's outside does: its plug, the levels it holds inputs at.
struct SimRequest {
    enum Action { Plug, Drive, Release, Show, Reset } action = Show;
    bool loopback = true;           // plug
    std::vector<PinSetting> levels; // drive: electrical levels; release: the pins
    bool all = false;               // release all
};

// One command of a command line or script line, its arguments checked.
struct CtlCommand {
    enum Kind {
        Ports,
        Doctor,
        Pins,
        Read,
        Get,
        Set,
        Toggle,
        Write,
        Pulse,
        Sleep,
        Watch,
        DataDirection,
        LoopbackTest,
        Sim
    } kind;
    std::string
        target;        // read: data|status|control|all; write: data|control; data-direction: in|out
    bool keep = false; // data-direction: left so when the port closes
    std::vector<PinSetting> settings;      // set, toggle
    std::vector<const ConnectorPin *> get; // get
    std::uint8_t byte = 0;                 // write
    Microseconds wait{};                   // sleep
    PulseRequest pulse;
    WatchRequest watch;
    SimRequest sim;

    // The outputs this command may change, for a trace.
    std::vector<const ConnectorPin *> pinsWritten() const;
};
