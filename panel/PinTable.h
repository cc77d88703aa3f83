#pragma once

#include "ImageId.h"
#include "PortInversion.h"
#include "PortRegister.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

enum class PinGroup { Data, Control, Status, Ground };

using ControlId = std::uint16_t;

struct ConnectorPin {
    std::uint8_t number; // 1-25 on the connector
    std::string_view label;
    PinGroup group;
    std::optional<PortRegister> reg; // absent for ground pins
    std::uint8_t bit;                // meaningful only with reg
    bool inverted;                   // the hardware inverts this bit; levels never are
    ControlId controlId;
    bool clickable;
    std::optional<ImageId> imageHigh; // ground pins have no high image
    ImageId imageLow;
    ImageId startImage; // what the window shows before the start pass

    constexpr ImageId imageForLevel(std::uint8_t level) const
    {
        return level && imageHigh ? *imageHigh : imageLow;
    }
};

namespace pin_table_detail {

constexpr std::optional<ImageId> highImage(PinGroup group)
{
    switch (group) {
    case PinGroup::Data:
    case PinGroup::Status:
        return IDB_HIGH;
    case PinGroup::Control:
        return IDB_CTRL_HIGH;
    case PinGroup::Ground:
        break;
    }
    return std::nullopt;
}

constexpr ImageId lowImage(PinGroup group)
{
    return group == PinGroup::Data || group == PinGroup::Control ? IDB_OUT_LOW : IDB_IN_LOW;
}

constexpr ConnectorPin pin(std::uint8_t number, std::string_view label, PinGroup group,
                           PortRegister reg, std::uint8_t bit, bool inverted, ControlId id,
                           ImageId start)
{
    const bool output = group == PinGroup::Data || group == PinGroup::Control;
    return {number,           label,           group, reg, bit, inverted, id, output,
            highImage(group), lowImage(group), start};
}

constexpr ConnectorPin ground(std::uint8_t number, std::string_view label, ControlId id)
{
    return {number, label, PinGroup::Ground, std::nullopt, 0,         false,
            id,     false, std::nullopt,     IDB_IN_LOW,   IDB_IN_LOW};
}

} // namespace pin_table_detail

// The connector, pin 1 to pin 25.
inline constexpr std::array<ConnectorPin, 25> kConnectorPins = [] {
    using namespace pin_table_detail;
    using G = PinGroup;
    using R = PortRegister;
    return std::array<ConnectorPin, 25>{{
        pin(1, "C0", G::Control, R::Control, 0, true, 1037, IDB_CTRL_HIGH),
        pin(2, "D0", G::Data, R::Data, 0, false, 1039, IDB_OUT_LOW),
        pin(3, "D1", G::Data, R::Data, 1, false, 1040, IDB_OUT_LOW),
        pin(4, "D2", G::Data, R::Data, 2, false, 1041, IDB_OUT_LOW),
        pin(5, "D3", G::Data, R::Data, 3, false, 1042, IDB_OUT_LOW),
        pin(6, "D4", G::Data, R::Data, 4, false, 1043, IDB_OUT_LOW),
        pin(7, "D5", G::Data, R::Data, 5, false, 1044, IDB_OUT_LOW),
        pin(8, "D6", G::Data, R::Data, 6, false, 1045, IDB_OUT_LOW),
        pin(9, "D7", G::Data, R::Data, 7, false, 1046, IDB_OUT_LOW),
        pin(10, "S6", G::Status, R::Status, 6, false, 1047, IDB_HIGH),
        pin(11, "S7", G::Status, R::Status, 7, true, 1048, IDB_HIGH),
        pin(12, "S5", G::Status, R::Status, 5, false, 1049, IDB_HIGH),
        pin(13, "S4", G::Status, R::Status, 4, false, 1050, IDB_HIGH),
        pin(14, "C1", G::Control, R::Control, 1, true, 1051, IDB_CTRL_HIGH),
        pin(15, "S3", G::Status, R::Status, 3, false, 1052, IDB_HIGH),
        pin(16, "C2", G::Control, R::Control, 2, false, 1053, IDB_CTRL_HIGH),
        pin(17, "C3", G::Control, R::Control, 3, true, 1054, IDB_CTRL_HIGH),
        ground(18, "G0", 1055),
        ground(19, "G1", 1056),
        ground(20, "G2", 1057),
        ground(21, "G3", 1058),
        ground(22, "G4", 1059),
        ground(23, "G5", 1060),
        ground(24, "G6", 1061),
        ground(25, "G7", 1062),
    }};
}();

constexpr const ConnectorPin *findPinByNumber(unsigned number)
{
    for (const auto &p : kConnectorPins)
        if (p.number == number)
            return &p;
    return nullptr;
}

constexpr const ConnectorPin *findPinByControlId(unsigned controlId)
{
    for (const auto &p : kConnectorPins)
        if (p.controlId == controlId)
            return &p;
    return nullptr;
}

constexpr const ConnectorPin *findPinByLabel(std::string_view label)
{
    for (const auto &p : kConnectorPins)
        if (p.label == label)
            return &p;
    return nullptr;
}

template <std::size_t N>
constexpr std::array<const ConnectorPin *, N>
pinsByLabel(const std::array<std::string_view, N> &labels)
{
    std::array<const ConnectorPin *, N> pins{};
    for (std::size_t i = 0; i < N; ++i)
        pins[i] = findPinByLabel(labels[i]);
    return pins;
}

// The group orders the panel works in.
inline constexpr auto kDataPins = pinsByLabel<8>({"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"});
inline constexpr auto kControlPins = pinsByLabel<4>({"C0", "C1", "C2", "C3"});
inline constexpr auto kStatusPins = pinsByLabel<5>({"S3", "S4", "S5", "S6", "S7"});
inline constexpr auto kControlReadOrder = pinsByLabel<4>({"C3", "C2", "C1", "C0"});
inline constexpr auto kStatusUpdateOrder = pinsByLabel<5>({"S6", "S7", "S5", "S4", "S3"});

// The twelve indicators that take clicks, in connector order.
inline constexpr auto kClickableControlIds = [] {
    std::array<ControlId, 12> ids{};
    std::size_t n = 0;
    for (const auto &p : kConnectorPins)
        if (p.clickable)
            ids.at(n++) = p.controlId;
    return ids;
}();

constexpr std::uint8_t invertedMask(PortRegister reg)
{
    std::uint8_t mask = 0;
    for (const auto &p : kConnectorPins)
        if (p.reg == reg && p.inverted)
            mask |= static_cast<std::uint8_t>(1u << p.bit);
    return mask;
}

static_assert(invertedMask(PortRegister::Control) == kControlInvertedMask,
              "the pin table and the port hardware disagree on the inverted control lines");
static_assert(invertedMask(PortRegister::Status) == kStatusInvertedMask,
              "the pin table and the port hardware disagree on the inverted status lines");
static_assert(invertedMask(PortRegister::Data) == 0);
