#include "JobState.h"

#include "AutomationObject.h"

bool JobState::applicationLost() const
{
    return application && application->isDisconnected();
}

void JobState::forgetObjects()
{
    application = nullptr;
    workbooks = nullptr;
    workbook = nullptr;
    summarySheet = nullptr;
    table.usedRange = nullptr;
    allowedRange = nullptr;
}
