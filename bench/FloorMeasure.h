#pragma once

#include "ResultLine.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the office alone needs for a workbook: a fresh session started,
// the source loaded and saved, each given result loaded and saved again,
// the session ended. Runs in a child process of its own.
struct FloorMeasure
{
    qint64 startMs = -1;          // session start, up to a Workbooks object
    qint64 loadSourceMs = -1;
    qint64 saveSourceMs = -1;
    QList<qint64> loadResultMs;   // one per result, -1 when it failed
    QList<qint64> saveResultMs;
    qint64 quitMs = -1;
    QString error;                // empty when every step worked
};

// The SaveAs format number for a path's ending (51 .xlsx, 56 .xls,
// 52 .xlsm); 51 for anything else.
int saveFormatFor(const QString &path);

ResultFields toFields(const FloorMeasure &measure);
FloorMeasure floorMeasureFrom(const ResultFields &fields);

// The floor of a job: start + load of the source + save of its result;
// the save of the source stands in when the result could not be saved.
// -1 when the parts are missing.
qint64 floorMs(const FloorMeasure &measure, int resultIndex);
