#pragma once

#include <QLoggingCategory>

// What the automation server reported when a call failed, and why a value
// could not be converted.
Q_DECLARE_LOGGING_CATEGORY(comLog)
