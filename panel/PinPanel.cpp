#include "PinPanel.h"

#include "PinTable.h"
#include "RegisterEncoding.h"
#include "WinIo.h"

namespace {

constexpr unsigned kPortAccessSize = 1;

void writeRegister(PortRegister reg, std::uint8_t byte)
{
    SetPortVal(static_cast<unsigned>(reg), byte, kPortAccessSize);
}

std::uint8_t readRegister(PortRegister reg)
{
    std::uint32_t word = kUnreadablePortValue;
    GetPortVal(static_cast<unsigned>(reg), &word, kPortAccessSize);
    return static_cast<std::uint8_t>(word & 0xFF);
}

// Level first, then the image, as the caller then recomputes the byte from all levels.
void toggle(std::uint8_t &level, const ConnectorPin &pin, IndicatorSink &sink)
{
    level = level ? 0 : 1;
    sink.ShowIndicatorImage(pin.controlId, pin.imageForLevel(level));
}

template <std::size_t N>
void showFlags(IndicatorSink &sink, const std::array<const ConnectorPin *, N> &order,
               std::uint8_t flags, std::uint8_t firstFlagBit)
{
    for (const ConnectorPin *pin : order) {
        const unsigned flagBit = pin->bit - firstFlagBit;
        sink.ShowIndicatorImage(pin->controlId, pin->imageForLevel((flags >> flagBit) & 1u));
    }
}

constexpr unsigned kFirstStatusBit = 3; // S3 is status bit 3 and flag bit 0
constexpr std::uint8_t kAllControlPinsHigh = EncodeControlByte({1, 1, 1, 1});

} // namespace

void ToggleDataPin(PinLevels &levels, IndicatorSink &sink, unsigned index)
{
    toggle(levels.data.at(index), *kDataPins.at(index), sink);
    levels.dataByte = EncodeDataByte(levels.data);
}

void ToggleControlPin(PinLevels &levels, IndicatorSink &sink, unsigned index)
{
    toggle(levels.control.at(index), *kControlPins.at(index), sink);
    levels.controlByte = EncodeControlByte(levels.control);
}

void ShowStatusFlags(IndicatorSink &sink, std::uint8_t flags)
{
    showFlags(sink, kStatusUpdateOrder, flags, kFirstStatusBit);
}

void ShowControlFlags(IndicatorSink &sink, std::uint8_t flags)
{
    showFlags(sink, kControlReadOrder, flags, 0);
}

void InitTogglePass(PinLevels &levels, IndicatorSink &sink)
{
    for (unsigned n = 0; n < kDataPins.size(); ++n) {
        sink.EnableIndicatorClicks(kDataPins[n]->controlId);
        ToggleDataPin(levels, sink, n);
    }
    for (unsigned n = 0; n < kControlPins.size(); ++n) {
        sink.EnableIndicatorClicks(kControlPins[n]->controlId);
        ToggleControlPin(levels, sink, n);
    }
}

void ClickOutputPin(PinLevels &levels, IndicatorSink &sink, unsigned controlId)
{
    const ConnectorPin *pin = findPinByControlId(controlId);
    if (!pin || !pin->clickable)
        return;
    if (pin->group == PinGroup::Data) {
        ToggleDataPin(levels, sink, pin->bit);
        writeRegister(PortRegister::Data, levels.dataByte);
    } else {
        ToggleControlPin(levels, sink, pin->bit);
        writeRegister(PortRegister::Control, levels.controlByte);
    }
}

void ReadStatusPort(IndicatorSink &sink)
{
    ShowStatusFlags(sink, DecodeStatus(readRegister(PortRegister::Status)));
}

void ReadControlPort(IndicatorSink &sink)
{
    const std::uint8_t before = readRegister(PortRegister::Control);
    // All four pins high is all four released, so whatever drives them from outside shows in
    // the read-back; bits 4-7 are left as they were.
    writeRegister(PortRegister::Control,
                  static_cast<std::uint8_t>((before & 0xF0) | kAllControlPinsHigh));
    ShowControlFlags(sink, DecodeControlRead(readRegister(PortRegister::Control)));
}
