#include "CtlOutput.h"

#include "PinTable.h"
#include "RegisterEncoding.h"

#include <ctime>

EventTime EventTime::now()
{
    timespec monotonic{};
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return {std::chrono::seconds(monotonic.tv_sec) + std::chrono::nanoseconds(monotonic.tv_nsec),
            std::chrono::system_clock::now()};
}

std::vector<PinLevel> LevelsIn(PortRegister reg, std::uint8_t value)
{
    std::vector<PinLevel> levels;
    switch (reg) {
    case PortRegister::Data:
        for (const ConnectorPin *pin : kDataPins)
            levels.push_back({pin, (value >> pin->bit) & 1u});
        break;
    case PortRegister::Status:
        for (const char *label : {"S3", "S4", "S5", "S6", "S7"}) {
            const ConnectorPin *pin = findPinByLabel(label);
            levels.push_back({pin, (DecodeStatus(value) >> (pin->bit - 3)) & 1u});
        }
        break;
    case PortRegister::Control:
        for (const ConnectorPin *pin : kControlPins)
            levels.push_back({pin, (DecodeControlRead(value) >> pin->bit) & 1u});
        break;
    }
    return levels;
}
