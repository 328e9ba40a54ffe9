#pragma once

#include "BenchOptions.h"

// The parent side: generates the sources, runs every job and the floor in
// child processes and prints the tables. Both return the exit code: 0 when
// every job succeeded, 1 otherwise.
int runBenchTable(const BenchOptions &options);
int runBenchRepeat(const BenchOptions &options);

// The child side.
int runOneChild(const BenchOptions &options);
int runFloorChild(const BenchOptions &options);
