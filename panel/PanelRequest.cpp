#include "PanelRequest.h"

#include "DataInputs.h"
#include "LiveInputs.h"
#include "PinPanel.h"
#include "WinIo.h"

namespace {

class RecordedIndicators final : public IndicatorSink {
public:
    void ShowIndicatorImage(ControlId controlId, ImageId image) override
    {
        changes.push_back({controlId, image});
    }
    void EnableIndicatorClicks(ControlId) override {}

    std::vector<IndicatorChange> changes;
};

} // namespace

PanelOutcome RunPanelRequest(PinLevels &levels, const PanelRequest &request, bool portOpened)
{
    RecordedIndicators shown;
    PinLevels next = levels;
    const std::uint64_t unreachedBefore = UnreachedPortAccesses();
    const bool dataIn = CurrentDataDirection() == DataDirection::In;
    switch (request.kind) {
    case PanelRequest::Click:
        if (const ConnectorPin *pin = findPinByControlId(request.controlId);
            !(dataIn && pin && pin->group == PinGroup::Data))
            ClickOutputPin(next, shown, request.controlId);
        break;
    case PanelRequest::ReadStatus:
        ReadStatusPort(shown);
        if (dataIn)
            ReadDataInputs(shown);
        break;
    case PanelRequest::ReadControl:
        ReadControlPort(shown);
        break;
    case PanelRequest::Poll: {
        std::uint8_t flags = request.shownFlags;
        std::uint8_t data = request.shownData;
        if (PollStatusPort(shown, flags) && dataIn)
            PollDataInputs(shown, data);
        break;
    }
    case PanelRequest::DataIn:
        if (SetDataDirection(DataDirection::In))
            ReadDataInputs(shown);
        break;
    case PanelRequest::DataOut:
        if (SetDataDirection(DataDirection::Out))
            ShowDataOutputs(next, shown);
        break;
    }
    PanelOutcome outcome{request, UnreachedPortAccesses() == unreachedBefore, {}};
    if (outcome.reached || !portOpened) {
        levels = next;
        outcome.changes = std::move(shown.changes);
    }
    return outcome;
}
