#include "ConnectorLevels.h"

#include "PinTable.h"
#include "RegisterEncoding.h"

std::uint32_t ConnectorLevels(std::uint8_t data, std::uint8_t status, std::uint8_t control)
{
    std::uint32_t levels = 0;
    for (const ConnectorPin &pin : kConnectorPins) {
        if (!pin.reg)
            continue;
        const std::uint8_t byte = *pin.reg == PortRegister::Data     ? data
                                  : *pin.reg == PortRegister::Status ? status
                                                                     : control;
        levels |= static_cast<std::uint32_t>(PinLevelIn(pin, byte)) << pin.number;
    }
    return levels;
}
