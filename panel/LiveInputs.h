#pragma once

#include "IndicatorSink.h"

#include <cstdint>

// Live inputs: one read of the status register, nothing written. Only the status
// indicators whose level differs from what they show are changed, in the status read's
// order. shownFlags holds what they show (DecodeStatus's layout) and is brought up to date.
void PollStatusPort(IndicatorSink &sink, std::uint8_t &shownFlags);
