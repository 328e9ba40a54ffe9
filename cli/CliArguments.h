#pragma once

#include "JobSettings.h"

#include <QString>
#include <QStringList>

#include <functional>

// What the command line asks for.
struct CliRequest
{
    enum class Job { ClassifyShow, InsertHyperLinks, CategoryFiles };
    enum class Status { Run, Help, UsageError };

    Status status = Status::UsageError;
    Job job = Job::ClassifyShow;
    JobSettings settings;
    QString error;   // why the arguments were refused
};

// Reads the arguments after the program name:
//   classify|link SOURCE OUTDIR [--column N] [--header-rows N]
//   [--open-password P] [--structure-password P] [--sheet-password P]
//   [--edit-range RANGE] [--match-column N]
//   files SOURCE OUTDIR [--column N] [--header-rows N] [--open-password P]
//   [--sheet-password P]
// Options take their value as the next argument or after "=".
CliRequest parseCliArguments(const QStringList &arguments);

// The help text: the synopsis and one line per option.
QString cliUsage();

// A folder the result can be saved into: an existing directory, one
// trailing separator ignored.
bool outputFolderExists(const QString &path);

// Runs the requested job on the calling thread, handing every text the job
// shows to `print`; the exit code follows the last text: 0 after a success
// text, 1 after anything else.
int runCliJob(const CliRequest &request, const std::function<void(const QString &)> &print);

// The exit code for the last text a job showed.
int exitCodeFor(const QString &lastText);

// The window's text for a save folder that does not exist.
QString outputFolderMissingText();

// The line printed on stderr before a job that will not do all its options
// seem to ask for (a sheet password without an editable range), or an
// empty text.
QString cliWarning(const CliRequest &request);
