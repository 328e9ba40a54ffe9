#pragma once

#include "BenchCases.h"
#include "BenchTable.h"

// The weekly cycle timed: a job's result grown by new records, as a user
// adds them (grow_result.py), then the same job run on it, which updates it;
// and side by side, the same job splitting afresh the summary that holds
// all those records alone.
struct UpdateCase
{
    BenchJob job = BenchJob::Classify;
    QString result;        // the fresh split's result
    QString grown;         // where the grown result goes
    QString alone;         // where its summary alone goes
    QString outDir;        // where the update and the fresh split save
    SourceLayout layout;
    int records = 0;
    int timeoutSeconds = 0;
    bool verbose = false;
};

// The table row of the update: its time, and as its floor the time of the
// fresh split of its summary.
TableRow measureUpdate(const UpdateCase &update, const TableRow &fresh);
