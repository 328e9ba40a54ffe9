#pragma once

#include <QString>

// A summary table of `rows` records over `categories` categories (C00, C01,
// ... in column A, keys in B, numbers in C..F), made by
// support/robust_make_workbook.py. Slow machines need minutes for big ones.
bool makeLargeWorkbook(const QString &path, int rows, int categories);
