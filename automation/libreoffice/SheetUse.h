#pragma once

#include "MemberText.h"

#include <QByteArray>

// What a call or an assignment on a sheet, or on a range of it, does to the
// sheet's cells. The book keeps its copies of sheets honest by it.
enum class SheetUse
{
    Read,      // reads values, formulas, positions, names
    Rename,    // the sheet's name only
    Arrange,   // where the sheet stands among the others
    Show,      // makes the sheet the one shown
    CopySheet, // copies the sheet
    Filter,    // the AutoFilter: which rows are hidden
    Unfilter,  // switches off a filter, also one the sheet came with
    RowDelete, // deletes rows
    Write,     // anything else: values, formulas, formats, protection
};

SheetUse sheetUseOfCall(const MemberText &member);
SheetUse sheetUseOfSet(const QByteArray &property);
