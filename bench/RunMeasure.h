#pragma once

#include "BenchCases.h"
#include "ResultLine.h"

#include <QString>

// What one run of a job measured, as the child reports it.
struct RunMeasure
{
    int run = 1;
    qint64 wallMs = 0;
    quint64 engineCalls = 0;      // automation operations of the engine
    quint64 roundTrips = 0;       // UNO round trips of the backend
    qint64 programPeakKb = -1;    // this process, since the run began when the peak could be reset
    bool peakIsPerRun = false;    // false: the peak covers the process's whole life
    qint64 programRssAfterKb = -1;
    qint64 officePeakKb = -1;
    qint64 programCpuMs = -1;     // where the wall time went: this process,
    qint64 officeCpuMs = -1;      // the office, or neither (waiting on each other)
    QString lastText;             // the last text the job showed
    // A category's time (from its split text to the next text), on average
    // over the first and the last hundred categories; -1 below 200.
    qint64 firstCategoriesMs = -1;
    qint64 lastCategoriesMs = -1;
    bool success = false;         // success text shown and a result file written
    qint64 resultBytes = -1;
    QString resultPath;
};

// Where the job saves its result: the output folder plus the source's base
// name and its lower-case ending.
QString expectedResultPath(const QString &source, const QString &outDir);
// Removes an earlier run's result at `resultPath` so that a result counts
// only when this run wrote it; false, and nothing removed, when that path is
// the source itself (the output folder is the source's own, which the job
// refuses).
bool clearEarlierResult(const QString &resultPath, const QString &source);

// The result column's text: "ok", or what went wrong.
QString outcomeText(bool successText, qint64 resultBytes, const QString &lastText);
QString outcomeOf(const RunMeasure &measure);

ResultFields toFields(const RunMeasure &measure);
RunMeasure runMeasureFrom(const ResultFields &fields);
