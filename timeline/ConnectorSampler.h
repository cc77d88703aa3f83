#pragma once

#include "Trace.h"

#include <cstdint>

// The connector's levels for the timeline, read without ever waiting for the port: all the
// registers of a sample from one hold of it, so that a shared port is claimed once a sample,
// not once a register, and a sample is of one moment. Where the port cannot be had at once,
// the registers are as they were last read.
class ConnectorSampler {
public:
    // dataWritten: the data byte as last written, what the data pins show while outputs.
    PinSample sample(std::uint8_t dataWritten);

private:
    std::uint8_t m_dataRead = 0;
    std::uint8_t m_status = 0;
    std::uint8_t m_control = 0;
};
