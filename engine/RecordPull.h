#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Before a result whose records live on its category sheets is split again,
// the summary takes what those sheets hold now. This is the plan of that,
// made from values alone.

// A record row of a category sheet: its key, its category cell and the
// values of its cells from column 1 on.
struct SheetRecord
{
    QString sheet;
    int row = 0;
    QString key;
    QString category;
    QVariantList values;
};

// A record row of the summary. `looksUp` is true for a row the earlier split
// gave lookups (a record it linked); false for one typed since, as values.
struct SummaryRecord
{
    int row = 0;
    QString key;
    QString category;
    bool looksUp = true;
};

struct RecordPull
{
    // Set when one key stands on two category rows: the key and the sheets
    // of both (the same sheet twice when both rows are on one sheet).
    QString twiceKey;
    QStringList twiceSheets;

    // Summary rows that take a sheet record's values: (row, index into the
    // sheet records).
    QList<QPair<int, int>> updates;
    // Summary rows whose key no category sheet holds any more, top first,
    // and their keys.
    QList<int> leaving;
    QStringList leavingKeys;
    // Sheet records the summary does not hold yet, in sheet order, then row
    // order: indexes into the sheet records.
    QList<int> added;

    bool refused() const { return !twiceKey.isNull(); }
};

// `sheetRecords` come in sheet order, then row order.
RecordPull planRecordPull(const QList<SummaryRecord> &summary, const QList<SheetRecord> &sheetRecords);
