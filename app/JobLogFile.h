#pragma once

#include <QByteArray>
#include <QString>

// The window's log of jobs that did not succeed: "Sheetsplicer.log" beside
// the settings file, one entry a job with its last text and what the
// program's logging categories said while it ran.
QString jobLogPath(const QByteArray &settingsFilePath);

// Appends the entry; a log grown past about a megabyte starts over.
void appendJobLog(const QByteArray &settingsFilePath, const QString &sourcePath, const QString &lastText);
