#pragma once

#include "BenchCases.h"

#include <QString>

// Writes the summary workbook of one size and kind with make_source.py
// under Debian's python (openpyxl). False with `error` set on failure.
bool makeSource(const BenchSize &size, SourceKind kind, const QString &path, QString &error);

// The generator script: beside the executable, else in the source tree.
QString sourceScriptPath();
