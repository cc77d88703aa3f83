#include "DataInputs.h"

#include "WinIo.h"

ImageId DataInputImage(unsigned level)
{
    return level ? IDB_HIGH : IDB_IN_LOW;
}

void ShowDataInputs(IndicatorSink &sink, std::uint8_t dataByte)
{
    for (const ConnectorPin *pin : kDataPins)
        sink.ShowIndicatorImage(pin->controlId, DataInputImage((dataByte >> pin->bit) & 1u));
}

void ReadDataInputs(IndicatorSink &sink)
{
    std::uint32_t word = kUnreadablePortValue;
    GetPortVal(static_cast<unsigned>(PortRegister::Data), &word, 1);
    ShowDataInputs(sink, static_cast<std::uint8_t>(word & 0xFF));
}

bool PollDataInputs(IndicatorSink &sink, std::uint8_t &shownByte)
{
    std::uint32_t word = 0;
    if (!GetPortValNow(static_cast<unsigned>(PortRegister::Data), &word, 1))
        return false;
    const auto read = static_cast<std::uint8_t>(word & 0xFF);
    for (const ConnectorPin *pin : kDataPins)
        if (((read ^ shownByte) >> pin->bit) & 1u)
            sink.ShowIndicatorImage(pin->controlId, DataInputImage((read >> pin->bit) & 1u));
    shownByte = read;
    return true;
}

void ShowDataOutputs(const PinLevels &levels, IndicatorSink &sink)
{
    for (const ConnectorPin *pin : kDataPins)
        sink.ShowIndicatorImage(pin->controlId, pin->imageForLevel(levels.data.at(pin->bit)));
}
