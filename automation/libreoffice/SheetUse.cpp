#include "SheetUse.h"

SheetUse sheetUseOfCall(const MemberText &member)
{
    for (const char *read : {"Value", "Row", "Column", "Count", "FormulaR1C1", "Name"})
        if (member.is(read))
            return SheetUse::Read;
    if (member.is("Move"))
        return SheetUse::Arrange;
    if (member.is("Select") || member.is("Activate"))
        return SheetUse::Show;
    if (member.is("Copy"))
        return SheetUse::CopySheet;
    if (member.is("AutoFilter"))
        return SheetUse::Filter;
    if (member.is("Delete"))
        return SheetUse::RowDelete;
    return SheetUse::Write;
}

SheetUse sheetUseOfSet(const QByteArray &property)
{
    if (property == "Name")
        return SheetUse::Rename;
    // Switching the filter off: rows show again, cells stay as they are.
    if (property == "AutoFilterMode")
        return SheetUse::Unfilter;
    return SheetUse::Write;
}
