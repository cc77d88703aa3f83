#pragma once

#include <cstdint>

// Resource numbers of the images; the indicator discs are looked up by these.
enum ImageId : std::uint16_t {
    IDB_OUT_LOW = 136,   // green disc
    IDB_HIGH = 137,      // red disc
    IDB_IN_LOW = 140,    // teal disc
    IDB_CONNECTOR = 142, // the connector picture
    IDB_CTRL_HIGH = 143, // yellow disc
    IDR_MAINFRAME = 147, // the application icon
};
