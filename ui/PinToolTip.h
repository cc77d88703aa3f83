#pragma once

#include <QString>

#include <cstdint>

struct ConnectorPin;

// Which pin an indicator is, in the window's language, with the level it shows:
// "D3 · 5 脚 · 数据口 0x378 第 3 位 · 高电平"; a data pin turned into an input says so, and
// one that shows the start's level, which the port has not been given yet, says that.
QString PinToolTip(const ConnectorPin &pin, std::uint8_t shownLevel, bool input = false,
                   bool unwrittenStartLevel = false);
