#pragma once

#include "ResultLine.h"

#include <QList>
#include <QString>
#include <QStringList>

// Runs this program again with other arguments and collects its result
// lines. A child that outlives its time is killed together with the office
// processes it started.
struct ChildOutcome
{
    bool started = false;
    bool timedOut = false;
    bool crashed = false;
    int exitCode = -1;
    qint64 wallMs = 0;
    QList<ResultFields> results;
    QString failure;   // empty when the child ran and exited normally
};

ChildOutcome runChild(const QStringList &arguments, int timeoutSeconds, bool showChildTexts);

// What the table shows for a child that gave no measurement.
QString childFailureText(const ChildOutcome &child);

// Runs any program with a time limit; its standard output in `output`,
// standard error appended when `withErrors`. False with `error` set when
// it could not run, timed out or exited with a non-zero code.
bool runTool(const QString &program, const QStringList &arguments, int timeoutSeconds,
             QByteArray &output, QString &error, bool withErrors = true);
