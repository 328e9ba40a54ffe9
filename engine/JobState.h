#pragma once

#include "Formulas.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
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
    int usedColumnCount = 0;
    int headerLastRow = 0;
    int firstDataRow = 0;
    int lastDataRow = 0;
    QString dataStartCell;        // A2
    QString categoryColumnRange;  // C2:C57
    // The filter's block: the last header row down to the last data row,
    // over every used column; the category column counted from its left.
    QString filterRange;          // A1:F57
    int filterField = 0;

    int usedLastRow() const { return usedFirstRow + usedRowCount - 1; }
    int usedLastColumn() const { return usedFirstColumn + usedColumnCount - 1; }
};

// One category and the sheet the job makes for it.
struct Category
{
    QString value;          // the cell's value as text; the filter matches it
    bool plainText = true;  // the cell holds text, so a formula can read a sheet name from it
    int recordCount = 0;
    QString sheetName;      // the name its sheet gets
};

// A cell whose formula a category's own workbook cannot keep, and the value
// it shows in the summary.
struct FixedCell
{
    int row = 0;
    int column = 0;
    QVariant value;
};

// Everything one run of a job holds between its steps. The automation
// objects are children of `application` and go with it at the end of the run.
struct JobState
{
    JobState(JobSettings &settings, std::function<void(const QString &)> report)
        : settings(settings), report(std::move(report)) {}

    JobSettings &settings;
    std::function<void(const QString &)> report;
    // Optional: how far the job is (done of total, total 0 while busy), and
    // whether a saved result may stay (false once the job was cancelled).
    std::function<void(int, int)> progress;
    std::function<bool()> keepResult;

    AutomationObject *application = nullptr;
    AutomationObject *workbooks = nullptr;
    AutomationObject *workbook = nullptr;
    AutomationObject *summarySheet = nullptr;
    QString nativePath;
    SummaryTable table;
    // The names of the source's sheets, the summary's first.
    QStringList sourceSheetNames;

    // The category cell of every data row, firstDataRow first, and the
    // categories in order of first appearance.
    QStringList rowValues;
    QList<Category> categories;
    QHash<QString, int> categoryByValue; // index into categories

    // True while an earlier result of the same job is updated, and the
    // category sheet each record's key stood on in it.
    bool updating = false;
    QHash<QString, QString> earlierSheetOfKey;
    QStringList updateLines; // what the update changes, told at the end

    // One workbook per category: the cells that keep only their values, and
    // each category's file name, in the order of the categories.
    QList<FixedCell> fixedCells;
    QStringList fileNames;
    bool categoryFormulas = false; // a record's category cell holds a formula

    // The result file once it has been saved.
    QString savedPath;

    // Read before the index loop of ClassifyShow.
    QString summaryName;
    AutomationObject *allowedRange = nullptr;
    BlockGeometry allowed;

    // The category of a data row; null for a blank category or another row.
    const Category *categoryOfRow(int row) const;
    // The category whose sheet has this name; null for any other sheet.
    const Category *categoryOfSheet(const QString &sheetName) const;
    // The last row of a category sheet that holds one of its records.
    int lastRecordRow(const Category &category) const;

    void showProgress(int done, int total) const
    {
        if (progress)
            progress(done, total);
    }

    // True once the spreadsheet application has gone away.
    bool applicationLost() const;
    // Forgets every automation object, once `application` has been deleted.
    void forgetObjects();
};
