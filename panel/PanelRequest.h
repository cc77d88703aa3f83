#pragma once

#include "PinLevels.h"
#include "PinTable.h"

#include <cstdint>
#include <vector>

// A command of the window, carried out where the port is (the window's port thread): the
// panel operation runs on a copy of the levels against a sink that only records, so that the
// window shows its outcome only once it is known whether its accesses reached the port.
// With the data lines turned in, a status read and a poll read the data pins too, and a
// click on one writes nothing.
struct PanelRequest {
    enum Kind { Click, ReadStatus, ReadControl, Poll, DataIn, DataOut } kind;
    unsigned controlId = 0;      // Click
    std::uint8_t shownFlags = 0; // Poll: what the status indicators show (DecodeStatus's layout)
    std::uint8_t shownData = 0;  // Poll, with the data lines in: what the data indicators show
};

struct IndicatorChange {
    ControlId controlId;
    ImageId image;
};

struct PanelOutcome {
    PanelRequest request;
    bool reached = true;                  // every access reached the port
    std::vector<IndicatorChange> changes; // to show, in order
};

// A request whose accesses did not all reach the port changes neither the levels nor the
// indicators; with no port open at all (the user was told "Init fail!"), a click or a read
// still acts as the design has it, its accesses having no effect.
PanelOutcome RunPanelRequest(PinLevels &levels, const PanelRequest &request, bool portOpened);
