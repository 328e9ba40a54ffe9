#include "MemberCatalogue.h"

#include <QThreadStorage>

#include "MemberText.h"

#include <QHash>

namespace {

using K = ObjectKind;
using U = SheetUse;
using M = Member;

QList<CatalogueMember> makeCatalogue()
{
    return {
        // The application and its workbooks.
        {'Q', "WorkBooks", {K::Application}, U::Read, M::WorkBooks},
        {'S', "DisplayAlerts", {K::Application}, U::Read, M::DisplayAlerts},
        {'D', "EnableEvents(Boolean)", {K::Application}, U::Read, M::EnableEvents},
        {'D', "SetVisible (bool Visible)", {K::Application}, U::Read, M::SetVisible},
        {'D', "Quit(void)", {K::Application}, U::Read, M::Quit},
        {'Q', "Open(const QString&)", {K::Workbooks}, U::Read, M::Open},
        // Open(FileName, UpdateLinks, ReadOnly, Format, Password).
        {'Q', "Open(const QString&,int,bool,int,const QString&)", {K::Workbooks}, U::Read, M::Open},
        {'Q', "Sheets", {K::Workbook}, U::Read, M::Sheets},
        {'Q', "WorkSheets(int)", {K::Workbook}, U::Read, M::WorkSheets},
        {'P', "ProtectStructure", {K::Workbook}, U::Read, M::ProtectStructure},
        {'D', "Protect(const QString&)", {K::Workbook}, U::Read, M::Protect},
        {'S', "Password", {K::Workbook}, U::Read, M::Password},
        {'D', "SaveAs(const QString&, QVariant)", {K::Workbook}, U::Read, M::SaveAs},
        // Not Excel's: after a failed SaveAs, whether the file the workbook
        // came from proved damaged. Excel answers nothing, which reads as no.
        {'P', "SourceDamaged", {K::Workbook}, U::Read, M::SourceDamaged},
        {'D', "Close (Boolean)", {K::Workbook}, U::Read, M::Close},
        {'D', "Add()", {K::Sheets}, U::Read, M::Add},
        {'Q', "Item(int)", {K::Sheets}, U::Read, M::Item},
        {'P', "Count", {K::Sheets, K::Range, K::DocumentProperties}, U::Read, M::Count},

        // The workbook's custom document properties: Add(name, linked to
        // content, type (4 text), value), each by its position or name.
        {'Q', "CustomDocumentProperties", {K::Workbook}, U::Read, M::CustomDocumentProperties},
        {'D', "Add(const QString&,bool,int,const QVariant&)", {K::DocumentProperties}, U::Read, M::Add},
        {'Q', "Item(const QVariant&)", {K::DocumentProperties, K::AllowEditRanges}, U::Read, M::Item},
        {'P', "Name", {K::DocumentProperty}, U::Read, M::Name},
        {'P', "Value", {K::DocumentProperty}, U::Read, M::Value},
        {'D', "Delete()", {K::DocumentProperty}, U::Read, M::Delete},

        // An earlier result the same job updates: its protections lifted
        // with their passwords, the sheets it made removed.
        {'D', "Unprotect(const QString&)", {K::Workbook}, U::Read, M::Unprotect},
        {'D', "Unprotect(QVariant)", {K::Worksheet}, U::Write, M::Unprotect},
        {'D', "Delete()", {K::Worksheet}, U::Arrange, M::Delete},
        {'D', "Delete()", {K::AllowEditRange}, U::Write, M::Delete},
        // Rows that join a summary take the formats of the record above
        // them: AutoFill(destination, 3), Excel's xlFillFormats.
        {'D', "AutoFill(const QVariant&,int)", {K::Range}, U::Write, M::AutoFill},

        // A sheet.
        {'P', "Name", {K::Worksheet}, U::Read, M::Name},
        {'S', "Name", {K::Worksheet}, U::Rename, M::Name},
        {'D', "Copy(const QVariant&)", {K::Worksheet}, U::CopySheet, M::Copy},
        {'D', "Move(const QVariant&)", {K::Worksheet}, U::Arrange, M::Move},
        {'D', "Select()", {K::Worksheet}, U::Show, M::Select},
        {'S', "AutoFilterMode", {K::Worksheet}, U::Unfilter, M::AutoFilterMode},
        // Whether the sheet has filter buttons; ShowAllData clears every
        // criterion and keeps the buttons.
        {'P', "AutoFilterMode", {K::Worksheet}, U::Read, M::AutoFilterMode},
        {'D', "ShowAllData()", {K::Worksheet}, U::Unfilter, M::ShowAllData},
        {'D', "Protect(QVariant)", {K::Worksheet}, U::Write, M::Protect},
        {'P', "ProtectContents", {K::Worksheet}, U::Read, M::ProtectContents},
        {'Q', "UsedRange", {K::Worksheet}, U::Read, M::UsedRange},
        {'Q', "Hyperlinks()", {K::Worksheet}, U::Read, M::Hyperlinks},
        {'Q', "Protection()", {K::Worksheet}, U::Read, M::Protection},
        {'Q', "AllowEditRanges()", {K::Protection}, U::Read, M::AllowEditRanges},
        {'D', "Add(const QVariant&,const QVariant&,const QVariant&)", {K::Hyperlinks}, U::Write, M::Add},
        {'D', "Add(QVariant,QVariant)", {K::AllowEditRanges}, U::Write, M::Add},

        // Its cells.
        {'Q', "Cells", {K::Worksheet, K::Range}, U::Read, M::Cells},
        {'Q', "Cells(int, int)", {K::Worksheet, K::Range}, U::Read, M::Cells},
        {'Q', "Cells(int,int)", {K::Worksheet, K::Range}, U::Read, M::Cells},
        {'Q', "Range(const QString&)", {K::Worksheet, K::Range}, U::Read, M::Range},
        {'Q', "Range(const QVariant&)", {K::Worksheet, K::Range}, U::Read, M::Range},
        {'Q', "Rows", {K::Worksheet, K::Range}, U::Read, M::Rows},
        {'Q', "Columns", {K::Worksheet, K::Range}, U::Read, M::Columns},
        {'Q', "MergeArea", {K::Range}, U::Read, M::MergeArea},
        {'Q', "End(3)", {K::Range}, U::Read, M::End},
        {'Q', "EntireRow", {K::Range}, U::Read, M::EntireRow},
        {'Q', "SpecialCells(QVariant)", {K::Range}, U::Read, M::SpecialCells},
        {'P', "Row", {K::Range}, U::Read, M::Row},
        {'D', "Row", {K::Range}, U::Read, M::Row},
        {'P', "Column", {K::Range}, U::Read, M::Column},
        {'D', "Value()", {K::Range}, U::Read, M::Value},
        {'D', "FormulaR1C1()", {K::Range}, U::Read, M::FormulaR1C1},
        {'D', "SetValue(const QVariant&)", {K::Range}, U::Write, M::SetValue},
        {'D', "SetFormula(const QVariant&)", {K::Range}, U::Write, M::SetFormula},
        {'D', "SetFormulaR1C1(const QVariant&)", {K::Range}, U::Write, M::SetFormulaR1C1},
        {'S', "Locked", {K::Range}, U::Write, M::Locked},
        {'S', "FormulaHidden", {K::Range}, U::Write, M::FormulaHidden},
        {'D', "AutoFilter(QVariant,QVariant)", {K::Range}, U::Filter, M::AutoFilter},
        {'D', "AutoFilter(QVariant)", {K::Range}, U::Filter, M::AutoFilter},
        {'D', "Delete()", {K::Range}, U::RowDelete, M::Delete},
    };
}

// A backend goes by a text's name alone, so these texts are just the names.
QList<CatalogueMember> makeExtras()
{
    return {
        {'Q', "Workbooks", {K::Application}, U::Write, M::Workbooks},
        {'P', "DisplayAlerts", {K::Application}, U::Write, M::DisplayAlerts},
        {'P', "EnableEvents", {K::Application}, U::Write, M::EnableEvents},
        {'S', "EnableEvents", {K::Application}, U::Write, M::EnableEvents},
        {'P', "Visible", {K::Application}, U::Write, M::Visible},
        {'S', "Visible", {K::Application}, U::Write, M::Visible},
        {'Q', "Worksheets", {K::Workbook}, U::Write, M::Worksheets},
        {'P', "FullName", {K::Workbook}, U::Write, M::FullName},
        {'D', "Count", {K::Sheets, K::Range}, U::Write, M::Count},
        {'D', "Name", {K::Worksheet}, U::Write, M::Name},
        {'D', "Activate", {K::Worksheet}, U::Write, M::Activate},
        {'P', "Index", {K::Worksheet}, U::Write, M::Index},
        {'D', "Column", {K::Range}, U::Write, M::Column},
        {'P', "Value", {K::Range}, U::Write, M::Value},
        {'P', "Text", {K::Range}, U::Write, M::Text},
        {'P', "Address", {K::Range}, U::Write, M::Address},
        {'S', "Value", {K::Range}, U::Write, M::Value},
        {'S', "Formula", {K::Range}, U::Write, M::Formula},
        {'S', "FormulaR1C1", {K::Range}, U::Write, M::FormulaR1C1},
    };
}

struct Asked
{
    char access = 0;
    ObjectKind object{};
    QByteArray name;
    const CatalogueMember *entry = nullptr;
};

constexpr int kAskedKept = 8;

struct AskedLast
{
    Asked kept[kAskedKept];
    int next = 0;
};

QByteArray keyOf(char access, ObjectKind object, const QByteArray &name)
{
    return QByteArray(1, access) + char('0' + int(object)) + name;
}

} // namespace

const QList<CatalogueMember> &memberCatalogue()
{
    static const QList<CatalogueMember> catalogue = makeCatalogue();
    return catalogue;
}

const QList<CatalogueMember> &extraMembers()
{
    static const QList<CatalogueMember> extras = makeExtras();
    return extras;
}

const CatalogueMember *catalogueEntry(char access, ObjectKind object, const QByteArray &name)
{
    // Asked before every call: both lists are read into a lookup once. Texts
    // that differ only in their parameter lists are one member, so the first
    // entry of a name stands for all of them.
    static const QHash<QByteArray, const CatalogueMember *> entries = [] {
        QHash<QByteArray, const CatalogueMember *> byKey;
        for (const QList<CatalogueMember> *list : {&memberCatalogue(), &extraMembers()})
            for (const CatalogueMember &member : *list)
                for (ObjectKind kind : member.objects) {
                    const QByteArray key = keyOf(member.access, kind, MemberText(member.text).name());
                    if (!byKey.contains(key))
                        byKey.insert(key, &member);
                }
        return byKey;
    }();
    // The members asked for last, per thread: most calls repeat one of them
    // (in Qt's storage; see MemberText.cpp).
    static QThreadStorage<AskedLast *> storage;
    if (!storage.hasLocalData())
        storage.setLocalData(new AskedLast);
    AskedLast &last = *storage.localData();
    for (const Asked &asked : last.kept)
        if (asked.access == access && asked.object == object && asked.name == name)
            return asked.entry;
    const CatalogueMember *entry = entries.value(keyOf(access, object, name), nullptr);
    last.kept[last.next] = Asked{access, object, name, entry};
    last.next = (last.next + 1) % kAskedKept;
    return entry;
}

SheetUse sheetUseOf(const CatalogueMember *entry)
{
    return entry ? entry->use : SheetUse::Write;
}

SheetUse sheetUseOf(char access, ObjectKind object, const QByteArray &name)
{
    return sheetUseOf(catalogueEntry(access, object, name));
}
