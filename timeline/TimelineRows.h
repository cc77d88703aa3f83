#pragma once

#include "PinTable.h"

#include <vector>

// What the timeline shows, top to bottom: a row per signal pin, grouped data, status,
// control, and the data byte after the data pins. The user hides rows and moves them within
// their group.
struct TimelineRow {
    enum Kind { Pin, DataByte } kind;
    PinGroup group;
    unsigned pin = 0; // Pin: its connector number
    bool hidden = false;
};

std::vector<TimelineRow> DefaultTimelineRows();
// Moves the row by one place up (-1) or down (+1), never out of its group; false if it cannot.
bool MoveTimelineRow(std::vector<TimelineRow> &rows, int index, int by);
