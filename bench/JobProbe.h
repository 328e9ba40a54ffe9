#pragma once

#include "BenchCases.h"
#include "RunMeasure.h"

#include <QString>

class OfficeWatcher;

// One job run inside the measuring child process.
struct JobRequest
{
    BenchJob job = BenchJob::Classify;
    QString source;
    QString outDir;
    int headerRows = 1;
    QString editRange;
};

// Runs the job once on this thread and measures it. Any earlier result at
// the output path is removed first, so a result counts only when this run
// wrote it.
RunMeasure runJobOnce(const JobRequest &request, OfficeWatcher &watcher, int runNumber);

