#pragma once

#include "ImageId.h"
#include "PinTable.h"

// What the panel needs of the window: the only way it changes what the user sees.
class IndicatorSink {
public:
    virtual ~IndicatorSink() = default;
    virtual void ShowIndicatorImage(ControlId controlId, ImageId image) = 0;
    virtual void EnableIndicatorClicks(ControlId controlId) = 0;
};
