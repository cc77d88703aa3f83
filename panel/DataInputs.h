#pragma once

#include "IndicatorSink.h"
#include "PinLevels.h"

#include <cstdint>

// The data pins as inputs, on a port whose data lines were turned in: the data register reads
// the pins, and each data indicator shows what it read as a status input does (IDB_HIGH high,
// IDB_IN_LOW low). Turned out again, they show the remembered output levels.

ImageId DataInputImage(unsigned level);
void ShowDataInputs(IndicatorSink &sink, std::uint8_t dataByte);
// One read of the data register.
void ReadDataInputs(IndicatorSink &sink);
// As a live-inputs poll: one read that never waits; only the indicators whose level differs
// from shownByte change, and shownByte is brought up to date. False, changing nothing, when
// the read failed.
bool PollDataInputs(IndicatorSink &sink, std::uint8_t &shownByte);
void ShowDataOutputs(const PinLevels &levels, IndicatorSink &sink);
