#pragma once

#include <QString>

// Structured references to a table by its name: Table1[[#This Row],[Qty]],
// Table1[Qty], Table1[#All].

// `formula` with every structured reference to the table `from` (its name in
// any letter case) naming the table `to` instead. Names in string literals
// and in quoted sheet names, column names inside the brackets, and longer
// names that merely end in `from` stay as they are.
QString renameTableReferences(const QString &formula, const QString &from, const QString &to);
