#include "LiveInputs.h"

#include "PinTable.h"
#include "RegisterEncoding.h"
#include "WinIo.h"

bool PollStatusPort(IndicatorSink &sink, std::uint8_t &shownFlags)
{
    std::uint32_t word = 0;
    if (!GetPortValNow(static_cast<unsigned>(PortRegister::Status), &word, 1))
        return false;
    const std::uint8_t flags = DecodeStatus(static_cast<std::uint8_t>(word & 0xFF));
    for (const ConnectorPin *pin : kStatusUpdateOrder) {
        const unsigned flagBit = pin->bit - 3u; // S3 is status bit 3 and flag bit 0
        const std::uint8_t level = (flags >> flagBit) & 1u;
        if (level != ((shownFlags >> flagBit) & 1u))
            sink.ShowIndicatorImage(pin->controlId, pin->imageForLevel(level));
    }
    shownFlags = flags;
    return true;
}
