#pragma once

#include <QByteArray>
#include <QList>

// Every member the engine uses, in one place: the text it passes, how it
// reaches it (D call, Q query, P get, S set), the kind of object it goes to,
// what it does to the sheet that object belongs to, and which member it is.
// The backends find a call's member and its effect on a sheet here, and the
// tests hold the engine to it.

// Excel's own values of the arguments that cross the seam as numbers, named
// once for the engine and the backends.
namespace Xl {
constexpr int fillFormats = 3;                      // XlAutoFillType xlFillFormats
constexpr int cellTypeVisible = 12;                 // XlCellType xlCellTypeVisible
constexpr int openXmlWorkbook = 51;                 // XlFileFormat: .xlsx
constexpr int openXmlWorkbookMacroEnabled = 52;     // XlFileFormat: .xlsm
constexpr int excel8 = 56;                          // XlFileFormat: .xls
} // namespace Xl

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
    DocumentProperties, // a workbook's custom document properties
    DocumentProperty,
    AllowEditRange,     // one of a sheet's editable ranges
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

// A member by its name, whatever parameter list its text carries: "Cells",
// "Cells(int, int)" and "Cells(int,int)" are all Cells. A name used on several
// kinds of object ("Add", "Count", "Protect") is one member; the object that
// receives it knows its own kind. Spellings the backends answer differently
// stay apart: the engine's WorkBooks and WorkSheets, Excel's own Workbooks
// and Worksheets.
enum class Member
{
    // The application and its workbooks.
    WorkBooks,
    Workbooks,
    DisplayAlerts,
    EnableEvents,
    SetVisible,
    Visible,
    Quit,
    Open,
    Sheets,
    WorkSheets, // one sheet by its position
    Worksheets, // the sheets, or one of them by its position
    FullName,
    ProtectStructure,
    Protect,
    Password,
    SaveAs,
    SourceDamaged,
    Close,
    Add,
    Item,
    Count,

    // A sheet.
    Name,
    Index,
    Copy,
    Move,
    Select,
    Activate,
    AutoFilterMode,
    ShowAllData,
    ProtectContents,
    UsedRange,
    Hyperlinks,
    Protection,
    AllowEditRanges,

    // Its cells.
    Cells,
    Range,
    Rows,
    Columns,
    MergeArea,
    End,
    EntireRow,
    SpecialCells,
    Row,
    Column,
    Value,
    Text,
    Address,
    SetValue,
    Formula,
    SetFormula,
    FormulaR1C1,
    SetFormulaR1C1,
    Locked,
    FormulaHidden,
    AutoFilter,
    AutoFill,
    Delete,

    // The workbook's custom document properties.
    CustomDocumentProperties,

    // Updating an earlier result: its protections lifted, its sheets removed.
    Unprotect,
};

struct CatalogueMember
{
    char access;        // 'D', 'Q', 'P' or 'S'
    const char *text;   // exactly as the engine passes it
    QList<ObjectKind> objects;
    SheetUse use;
    Member id;
};

const QList<CatalogueMember> &memberCatalogue();

// Members the backends answer besides the catalogue's: Excel's other
// spellings of a few, the read-backs tests and tools make, a cell's shown text
// the engine reads only of dates and numbers. Nobody worked out what they do
// to a sheet, so each counts as Write, the safe guess.
const QList<CatalogueMember> &extraMembers();

// The entry for a call ('D'), query ('Q'), get ('P') or assignment ('S') of
// the member named `name` on an object of that kind, from the catalogue or
// the extra members; null for a member neither holds. Calls and queries go
// by their member text's name, gets and assignments by the name as given.
const CatalogueMember *catalogueEntry(char access, ObjectKind object, const QByteArray &name);

// The effect of a call (access 'D') or an assignment ('S') of the member
// named `name` on an object of that kind; Write, the safe guess, for anything
// the catalogue does not hold.
SheetUse sheetUseOf(char access, ObjectKind object, const QByteArray &name);
// The same for an entry already found; Write for none.
SheetUse sheetUseOf(const CatalogueMember *entry);
