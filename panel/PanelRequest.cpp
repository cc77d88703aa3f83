#include "PanelRequest.h"

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
    switch (request.kind) {
    case PanelRequest::Click:
        ClickOutputPin(next, shown, request.controlId);
        break;
    case PanelRequest::ReadStatus:
        ReadStatusPort(shown);
        break;
    case PanelRequest::ReadControl:
        ReadControlPort(shown);
        break;
    case PanelRequest::Poll: {
        std::uint8_t flags = request.shownFlags;
        PollStatusPort(shown, flags);
        break;
    }
    }
    PanelOutcome outcome{request, UnreachedPortAccesses() == unreachedBefore, {}};
    if (outcome.reached || (!portOpened && request.kind != PanelRequest::Poll)) {
        levels = next;
        outcome.changes = std::move(shown.changes);
    }
    return outcome;
}
