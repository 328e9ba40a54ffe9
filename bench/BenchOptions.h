#pragma once

#include "BenchCases.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line of sheetsplicer-bench.
//
// What a user types:
//   --sizes S,M,L  --kinds plain,rich  --jobs classify,link
//   --repeat-m N   --update N   --keep DIR  --timeout SECONDS  --verbose  --profile  --help
//
// What the benchmark passes to its own child processes:
//   --run-one JOB SOURCE OUTDIR HEADER_ROWS EDIT_RANGE RUNS [profile]
//   --floor SOURCE SCRATCH [RESULT...]
struct BenchOptions
{
    enum class Mode { Table, Repeat, RunOne, Floor, Help, UsageError };

    Mode mode = Mode::Table;
    QString error;

    QList<BenchSize> sizes;          // S,M by default; M for --repeat-m
    bool sizesGiven = false;
    QStringList files;               // --file, repeatable: workbooks run as they are, after the sizes
    QList<SourceKind> kinds{SourceKind::Plain, SourceKind::Rich};
    QList<BenchJob> jobs{BenchJob::Classify, BenchJob::Link};
    int repeat = 0;                  // --repeat-m N
    int updateRecords = 0;           // --update N: each result grown by N records, then updated
    QString keepDir;                 // empty: a temporary folder, removed at the end
    int timeoutSeconds = 1800;       // per job
    bool verbose = false;
    bool profile = false;            // time every backend member in the jobs

    // --run-one
    BenchJob childJob = BenchJob::Classify;
    QString childSource;
    QString childOutDir;
    int childHeaderRows = 1;
    QString childEditRange;
    int childRuns = 1;
    bool childProfile = false;

    // --floor
    QString floorScratch;
    QStringList floorResults;
};

BenchOptions parseBenchOptions(const QStringList &arguments);
QString benchUsage();

// The arguments that make a child run one job `runs` times.
QStringList runOneArguments(BenchJob job, const QString &source, const QString &outDir,
                            int headerRows, const QString &editRange, int runs, bool profile = false);
QStringList floorArguments(const QString &source, const QString &scratch, const QStringList &results);
