#pragma once

#include "ControlIds.h"
#include "DialogUnits.h"
#include "ImageId.h"

#include <span>

// Indicator: a picture that shows a pin's level and can report clicks; Picture: a plain one.
enum class ControlKind {
    PushButton,
    DefaultPushButton,
    StaticText,
    Picture,
    Indicator,
    Icon,
    GroupBox
};

// One control of a dialog template, in template (and so tab) order.
struct ControlTemplate {
    ControlKind kind;
    int id; // 0: the control is never addressed
    DialogUnitRect rect;
    const char *text = nullptr; // UTF-8, the source of its translations
    ImageId image{};
    bool tabStop = false;
};

struct DialogTemplate {
    const char *context; // of its texts' translations
    const char *caption;
    DialogUnitRect clientArea;
    std::span<const ControlTemplate> controls;
};

const DialogTemplate &PanelTemplate();
const DialogTemplate &AboutTemplate();

// The About entry of the window menu, in the panel's context.
extern const char *const IDS_ABOUTBOX;
