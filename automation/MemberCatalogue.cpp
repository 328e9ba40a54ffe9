#include "MemberCatalogue.h"

#include "MemberText.h"

#include <QHash>

namespace {

using K = ObjectKind;
using U = SheetUse;

QList<CatalogueMember> makeCatalogue()
{
    return {
        // The application and its workbooks.
        {'Q', "WorkBooks", {K::Application}, U::Read},
        {'S', "DisplayAlerts", {K::Application}, U::Read},
        {'D', "EnableEvents(Boolean)", {K::Application}, U::Read},
        {'D', "SetVisible (bool Visible)", {K::Application}, U::Read},
        {'D', "Quit(void)", {K::Application}, U::Read},
        {'Q', "Open(const QString&)", {K::Workbooks}, U::Read},
        {'Q', "Sheets", {K::Workbook}, U::Read},
        {'Q', "WorkSheets(int)", {K::Workbook}, U::Read},
        {'P', "ProtectStructure", {K::Workbook}, U::Read},
        {'D', "Protect(const QString&)", {K::Workbook}, U::Read},
        {'S', "Password", {K::Workbook}, U::Read},
        {'D', "SaveAs(const QString&, QVariant)", {K::Workbook}, U::Read},
        {'D', "Close (Boolean)", {K::Workbook}, U::Read},
        {'D', "Add()", {K::Sheets}, U::Read},
        {'Q', "Item(int)", {K::Sheets}, U::Read},
        {'P', "Count", {K::Sheets, K::Range}, U::Read},

        // A sheet.
        {'P', "Name", {K::Worksheet}, U::Read},
        {'S', "Name", {K::Worksheet}, U::Rename},
        {'D', "Copy(const QVariant&)", {K::Worksheet}, U::CopySheet},
        {'D', "Move(const QVariant&)", {K::Worksheet}, U::Arrange},
        {'D', "Select()", {K::Worksheet}, U::Show},
        {'S', "AutoFilterMode", {K::Worksheet}, U::Unfilter},
        {'D', "Protect(QVariant)", {K::Worksheet}, U::Write},
        {'P', "ProtectContents", {K::Worksheet}, U::Read},
        {'Q', "UsedRange", {K::Worksheet}, U::Read},
        {'Q', "Hyperlinks()", {K::Worksheet}, U::Read},
        {'Q', "Protection()", {K::Worksheet}, U::Read},
        {'Q', "AllowEditRanges()", {K::Protection}, U::Read},
        {'D', "Add(const QVariant&,const QVariant&,const QVariant&)", {K::Hyperlinks}, U::Write},
        {'D', "Add(QVariant,QVariant)", {K::AllowEditRanges}, U::Write},

        // Its cells.
        {'Q', "Cells", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Cells(int, int)", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Cells(int,int)", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Range(const QString&)", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Range(const QVariant&)", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Rows", {K::Worksheet, K::Range}, U::Read},
        {'Q', "Columns", {K::Worksheet, K::Range}, U::Read},
        {'Q', "MergeArea", {K::Range}, U::Read},
        {'Q', "End(3)", {K::Range}, U::Read},
        {'Q', "EntireRow", {K::Range}, U::Read},
        {'Q', "SpecialCells(QVariant)", {K::Range}, U::Read},
        {'P', "Row", {K::Range}, U::Read},
        {'D', "Row", {K::Range}, U::Read},
        {'P', "Column", {K::Range}, U::Read},
        {'D', "Value()", {K::Range}, U::Read},
        {'D', "FormulaR1C1()", {K::Range}, U::Read},
        {'D', "SetValue(const QVariant&)", {K::Range}, U::Write},
        {'D', "SetFormula(const QVariant&)", {K::Range}, U::Write},
        {'D', "SetFormulaR1C1(const QVariant&)", {K::Range}, U::Write},
        {'S', "Locked", {K::Range}, U::Write},
        {'S', "FormulaHidden", {K::Range}, U::Write},
        {'D', "AutoFilter(QVariant,QVariant)", {K::Range}, U::Filter},
        {'D', "AutoFilter(QVariant)", {K::Range}, U::Filter},
        {'D', "Delete()", {K::Range}, U::RowDelete},
    };
}

} // namespace

const QList<CatalogueMember> &memberCatalogue()
{
    static const QList<CatalogueMember> catalogue = makeCatalogue();
    return catalogue;
}

SheetUse sheetUseOf(char access, ObjectKind object, const QByteArray &name)
{
    // Asked before every call on a sheet: the catalogue is read into a
    // lookup once.
    const auto keyOf = [](char access, ObjectKind object, const QByteArray &name) {
        return QByteArray(1, access) + char('0' + int(object)) + name;
    };
    static const QHash<QByteArray, SheetUse> uses = [&keyOf] {
        QHash<QByteArray, SheetUse> byKey;
        for (const CatalogueMember &member : memberCatalogue())
            for (ObjectKind kind : member.objects)
                byKey.insert(keyOf(member.access, kind, MemberText(member.text).name()), member.use);
        return byKey;
    }();
    return uses.value(keyOf(access, object, name), SheetUse::Write);
}
