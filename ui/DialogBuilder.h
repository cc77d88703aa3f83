#pragma once

#include "DialogTemplate.h"

#include <QList>

class QDialog;
class QWidget;

// Creates a template's controls on a dialog at their pixel positions, in template order,
// sets the dialog's fixed client size, caption and font, and chains the tab stops.
// Returns the controls in template order.
QList<QWidget *> BuildDialogFromTemplate(QDialog &dialog, const DialogTemplate &layout);

// The design font, 9-point "宋体"; Debian's AR PL UMing stands in where SimSun is missing.
void InstallDialogFont();
