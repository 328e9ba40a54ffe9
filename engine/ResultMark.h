#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// What a saved result carries about the job that made it, so that the same
// job can later tell its own result from a plain summary: the job, the
// summary sheet, the job's settings and the sheets it made. It travels as
// custom document properties, which Excel, WPS and LibreOffice keep when they
// save the workbook again, and which nobody meets in normal use.
struct ResultMark
{
    enum class Job { Classify, Link };
    Job job = Job::Classify;
    QString summarySheet;
    int classifyColumn = 1;
    std::optional<int> headerRows;    // none when the setting was off
    QString editRange;                // empty when there was none
    int lookupColumn = 1;
    QStringList madeSheets;           // the index first, then each category sheet
};

// The name every property of a mark starts with.
QString markPropertyPrefix();

// The properties that carry `mark`, in order: "Sheetsplicer 1",
// "Sheetsplicer 2", ... each text at most 255 characters long (what Excel
// lets a property's text hold).
QList<QPair<QString, QString>> markProperties(const ResultMark &mark);

// The mark the properties of a workbook carry; none when they carry none, or
// one that cannot be read (as if the workbook had none).
std::optional<ResultMark> readMark(const QList<QPair<QString, QString>> &properties);
