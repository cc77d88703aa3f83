#include "ConnectorSampler.h"

#include "ConnectorLevels.h"
#include "WinIo.h"

#include <chrono>

namespace {

void readInto(PortRegister reg, std::uint8_t &byte)
{
    std::uint32_t word = 0;
    if (GetPortValNow(static_cast<unsigned>(reg), &word, 1))
        byte = static_cast<std::uint8_t>(word);
}

} // namespace

PinSample ConnectorSampler::sample(std::uint8_t dataWritten)
{
    const bool dataIn = CurrentDataDirection() == DataDirection::In;
    if (HoldPortNow()) {
        readInto(PortRegister::Status, m_status);
        readInto(PortRegister::Control, m_control);
        if (dataIn)
            readInto(PortRegister::Data, m_dataRead);
        LetGoOfPort();
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(),
            ConnectorLevels(dataIn ? m_dataRead : dataWritten, m_status, m_control)};
}
