#pragma once

#include <QByteArray>
#include <QList>

// Every member the engine uses, in one place: the text it passes, how it
// reaches it (D call, Q query, P get, S set), the kind of object it goes to,
// and what it does to the sheet that object belongs to. The backends take a
// call's effect on a sheet from here, and the tests hold the engine to it.

enum class ObjectKind
{
    Application,
    Workbooks,
    Workbook,
    Sheets,
    Worksheet,
    Range,
    Hyperlinks,
    Protection,
    AllowEditRanges,
};

// What a call or an assignment does to the sheet's cells. A backend that keeps
// copies of sheets keeps them honest by it.
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

struct CatalogueMember
{
    char access;        // 'D', 'Q', 'P' or 'S'
    const char *text;   // exactly as the engine passes it
    QList<ObjectKind> objects;
    SheetUse use;
};

const QList<CatalogueMember> &memberCatalogue();

// The effect of a call (access 'D') or an assignment ('S') of the member
// named `name` on an object of that kind; Write, the safe guess, for anything
// the catalogue does not hold.
SheetUse sheetUseOf(char access, ObjectKind object, const QByteArray &name);
