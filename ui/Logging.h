#pragma once

#include <QLoggingCategory>

// Opening and closing of the port: off by default, QT_LOGGING_RULES="zelvane.port.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcPort)
