#pragma once

#include "Formulas.h"

#include <QString>
#include <functional>

class AutomationObject;
struct JobSettings;

// The summary table as the scan measured it.
struct SummaryTable
{
    AutomationObject *usedRange = nullptr;
    int usedFirstRow = 0;
    int usedFirstColumn = 0;
    int usedRowCount = 0;
    int headerLastRow = 0;
    int firstDataRow = 0;
    int lastDataRow = 0;
    QString dataStartCell;        // A2
    QString categoryColumnRange;  // C2:C57
};

// Everything one run of a job holds between its steps. The automation
// objects are children of `application` and go with it at the end of the run.
struct JobState
{
    JobState(JobSettings &settings, std::function<void(const QString &)> report)
        : settings(settings), report(std::move(report)) {}

    JobSettings &settings;
    std::function<void(const QString &)> report;

    AutomationObject *application = nullptr;
    AutomationObject *workbooks = nullptr;
    AutomationObject *workbook = nullptr;
    AutomationObject *summarySheet = nullptr;
    QString nativePath;
    SummaryTable table;

    // Read before the index loop of ClassifyShow.
    QString summaryName;
    AutomationObject *allowedRange = nullptr;
    BlockGeometry allowed;

    // True once the spreadsheet application has gone away.
    bool applicationLost() const;
    // Forgets every automation object, once `application` has been deleted.
    void forgetObjects();
};
