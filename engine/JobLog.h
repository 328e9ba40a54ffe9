#pragma once

#include <QString>
#include <QStringList>

// What the program's logging categories ("sheetsplicer.*") say while a job
// runs, kept so that a job that fails can tell why: the command-line program
// prints it on standard error, the window appends it to a log file beside
// its settings file. Informational messages are kept without being printed,
// unless QT_LOGGING_RULES names these categories; warnings print as before.
namespace JobLog {

// Once, early in main(), before any job.
void install();
// Forgets what earlier jobs left.
void clear();
// The messages kept since the last clear(), oldest first; at most the last
// kMaxLines. Without `printedToo`, only those not printed as they came.
QStringList lines(bool printedToo = true);

constexpr int kMaxLines = 200;

// The lines with the job's last text, as the window appends them to its log
// file: a time stamp, the source, the text, then the lines indented.
QString entry(const QString &source, const QString &lastText, const QStringList &lines);

} // namespace JobLog
