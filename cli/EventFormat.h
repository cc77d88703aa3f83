#pragma once

#include "EventTime.h"

#include <string>
#include <string_view>

struct ConnectorPin;

// watch --format: each event as a line of the user's own, as GPIO monitors print them:
// %p the pin, %s its signal name, %e rising or falling, %l the level, %t monotonic seconds,
// %T the UTC time, %% a percent sign; everything else as it stands.

// Why format cannot be used (the first % that is none of these), or empty.
std::string EventFormatError(std::string_view format);
std::string FormatEvent(std::string_view format, const ConnectorPin &pin, unsigned level,
                        const EventTime &at);
