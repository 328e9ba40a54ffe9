#pragma once

#include "MemberText.h"

#include <QByteArray>

// What a call or an assignment on a sheet, or on a range of it, does to the
// sheet's cells. The book keeps its copies of sheets honest by it.
enum class SheetUse
{
    Read,      // reads values, formulas, positions, names
    Rename,    // the sheet's name only
    Arrange,   // where the sheet stands, which sheet is shown
    CopySheet, // copies the sheet
    Filter,    // the AutoFilter: which rows are hidden
    RowDelete, // deletes rows
    Write,     // anything else: values, formulas, formats, protection
};

SheetUse sheetUseOfCall(const MemberText &member);
SheetUse sheetUseOfSet(const QByteArray &property);
