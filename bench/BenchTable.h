#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The tables the benchmark prints, and the goals it checks. Missing
// figures are -1 and show as "–".

struct TableRow
{
    QString size;
    QString kind;
    QString job;
    int rows = 0;
    qint64 wallMs = -1;
    qint64 floorMs = -1;
    qint64 engineCalls = -1;
    qint64 roundTrips = -1;
    qint64 programPeakMb = -1;
    qint64 officePeakMb = -1;
    QString result;            // "ok", "timeout" or the failure text
    bool timedOut = false;
    int timeoutSeconds = 0;
    // The files job: how many it saved, and what the office needs for one
    // file (loading the source and saving it, without its start).
    int files = 0;
    qint64 fileFloorMs = -1;
    // With 200 categories or more: a category's time in the first and the
    // last hundred.
    qint64 firstCategoriesMs = -1;
    qint64 lastCategoriesMs = -1;
};

QString formatSeconds(qint64 ms);           // 1234 -> "1.2"
QString formatRatio(qint64 ms, qint64 floorMs); // "3.40"
QString formatCount(qint64 n);              // 1234567 -> "1,234,567"

// One markdown table, one line per row, in the given order.
QString renderTable(const QList<TableRow> &rows);

// Lines on the goals: M job/floor at most 2, L/M time at most 6, program
// peak for L under 500 MB. Only goals whose figures were measured.
QStringList goalLines(const QList<TableRow> &rows);

struct RepeatRow
{
    int run = 0;
    qint64 wallMs = -1;
    qint64 engineCalls = -1;
    qint64 roundTrips = -1;
    qint64 programPeakMb = -1;
    qint64 programRssAfterMb = -1;
    qint64 officePeakMb = -1;
    QString result;
};

QString renderRepeatTable(const QString &title, const QList<RepeatRow> &rows);

// Compares the first and the last run: peak memory of the program and of
// the office, memory left after the run, calls and round trips. A figure
// "grows" when the last run exceeds the first by more than 5 % and 8 MB
// (calls and round trips: by anything).
QStringList growthLines(const QList<RepeatRow> &rows);
