#pragma once

#include "DialogUnits.h"
#include "ImageId.h"

#include <span>

enum class ControlKind { PushButton, DefaultPushButton, StaticText, Picture, Icon, GroupBox };

// One control of a dialog template, in template (and so tab) order.
struct ControlTemplate {
    ControlKind kind;
    int id; // 0: the control is never addressed
    DialogUnitRect rect;
    const char *text = nullptr; // UTF-8
    ImageId image{};
    bool tabStop = false;
};

// Window command identifiers shared with the framework's conventions.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDM_ABOUTBOX = 16;
constexpr int IDC_ABOUT_BUTTON = 1012;

struct DialogTemplate {
    const char *caption;
    DialogUnitRect clientArea;
    std::span<const ControlTemplate> controls;
};

const DialogTemplate &PanelTemplate();
const DialogTemplate &AboutTemplate();

// The About entry of the window menu.
extern const char *const IDS_ABOUTBOX;
