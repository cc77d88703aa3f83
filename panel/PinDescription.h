#pragma once

#include "PinTable.h"

#include <string>

// Which pin an indicator is, in the interface's language (UTF-8), with the level it shows:
// "D3 · 5 脚 · 数据口 0x378 第 3 位 · 高电平".
std::string PinDescription(const ConnectorPin &pin, std::uint8_t shownLevel);
