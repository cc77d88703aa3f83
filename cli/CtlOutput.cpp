#include "CtlOutput.h"

#include "PinTable.h"
#include "RegisterEncoding.h"

#include <ctime>
#include <span>

EventTime EventTime::now()
{
    timespec monotonic{};
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return {std::chrono::seconds(monotonic.tv_sec) + std::chrono::nanoseconds(monotonic.tv_nsec),
            std::chrono::system_clock::now()};
}

std::vector<PinLevel> LevelsIn(PortRegister reg, std::uint8_t value)
{
    const std::span<const ConnectorPin *const> pins =
        reg == PortRegister::Data     ? std::span<const ConnectorPin *const>(kDataPins)
        : reg == PortRegister::Status ? std::span<const ConnectorPin *const>(kStatusPins)
                                      : std::span<const ConnectorPin *const>(kControlPins);
    std::vector<PinLevel> levels;
    for (const ConnectorPin *pin : pins)
        levels.push_back({pin, PinLevelIn(*pin, value)});
    return levels;
}
