#include "ComLog.h"

Q_LOGGING_CATEGORY(comLog, "sheetsplicer.com", QtWarningMsg)
