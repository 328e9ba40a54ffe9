#include "JobState.h"

#include "AutomationObject.h"

const Category *JobState::categoryOfRow(int row) const
{
    if (row < table.firstDataRow)
        return nullptr;
    const int index = categoryByValue.value(rowValues.value(row - table.firstDataRow), -1);
    return index < 0 ? nullptr : &categories.at(index);
}

const Category *JobState::categoryOfSheet(const QString &sheetName) const
{
    for (const Category &category : categories) {
        if (category.sheetName == sheetName)
            return &category;
    }
    return nullptr;
}

int JobState::lastRecordRow(const Category &category) const
{
    // A category sheet keeps the header, then its own records in one block.
    return table.firstDataRow + category.recordCount - 1;
}

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
