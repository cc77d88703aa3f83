#include "Logging.h"

Q_LOGGING_CATEGORY(lcPort, "zelvane.port", QtWarningMsg)
