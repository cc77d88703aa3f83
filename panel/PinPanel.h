#pragma once

#include "IndicatorSink.h"
#include "PinLevels.h"

#include <cstdint>

// What the panel does. Every operation works on the levels it is given (the program passes
// ProcessPinLevels()), reaches the port through the driver operations, and changes what the
// user sees only through the sink.

void ToggleDataPin(PinLevels &levels, IndicatorSink &sink, unsigned index);
void ToggleControlPin(PinLevels &levels, IndicatorSink &sink, unsigned index);
void ShowStatusFlags(IndicatorSink &sink, std::uint8_t flags);
void ShowControlFlags(IndicatorSink &sink, std::uint8_t flags);

// Arms the twelve output indicators and sets every output level high; no port access.
void InitTogglePass(PinLevels &levels, IndicatorSink &sink);
// Any identifier other than the twelve output indicators' is ignored.
void ClickOutputPin(PinLevels &levels, IndicatorSink &sink, unsigned controlId);
void ReadStatusPort(IndicatorSink &sink);
// Releases the control pins (all high), then shows what the register reads back.
void ReadControlPort(IndicatorSink &sink);
