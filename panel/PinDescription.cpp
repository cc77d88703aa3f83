#include "PinDescription.h"

namespace {

std::string registerName(PortRegister reg)
{
    switch (reg) {
    case PortRegister::Data:
        return "数据口 0x378";
    case PortRegister::Status:
        return "状态口 0x379";
    case PortRegister::Control:
        return "控制口 0x37A";
    }
    return {};
}

} // namespace

std::string PinDescription(const ConnectorPin &pin, std::uint8_t shownLevel)
{
    std::string text = std::string(pin.label) + " · " + std::to_string(pin.number) + " 脚 · ";
    if (pin.reg) {
        text += registerName(*pin.reg) + " 第 " + std::to_string(pin.bit) + " 位";
        if (pin.inverted)
            text += "（硬件反相）";
    } else {
        text += "地";
    }
    return text + " · " + (shownLevel ? "高电平" : "低电平");
}
