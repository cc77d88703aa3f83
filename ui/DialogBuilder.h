#pragma once

#include "DialogTemplate.h"

#include <QList>

class QDialog;
class QWidget;

struct BuiltControl {
    const ControlTemplate &control;
    QWidget *widget;
};

// Creates a template's controls on a dialog at their pixel positions, in template order,
// sets the dialog's fixed client size, caption and font, and chains the tab stops.
// Returns each control with what made it, in template order.
QList<BuiltControl> BuildDialogFromTemplate(QDialog &dialog, const DialogTemplate &layout);

// The design font, 9-point "宋体"; Debian's AR PL UMing stands in where SimSun is missing.
void InstallDialogFont();
