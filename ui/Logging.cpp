#include "Logging.h"

Q_LOGGING_CATEGORY(lcPort, "zelvane.port", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "zelvane.ui", QtWarningMsg)
