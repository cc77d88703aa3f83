#pragma once

#include <QLoggingCategory>

// The port: why it could not be opened, or went away (warnings); its opening and closing
// (info, off by default: QT_LOGGING_RULES="zelvane.port.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcPort)
// The window's own set-up.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
