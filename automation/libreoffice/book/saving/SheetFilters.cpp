#include "SheetFilters.h"

#include "CopyRows.h"
#include "SheetUnlock.h"
#include "UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XDatabaseRange.hpp>
#include <com/sun/star/sheet/FilterFieldType.hpp>
#include <com/sun/star/sheet/FilterOperator2.hpp>
#include <com/sun/star/sheet/TableFilterField3.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetFilterDescriptor3.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QVector>

using namespace css;

namespace SheetFilters {

namespace {

uno::Reference<sheet::XUnnamedDatabaseRanges> unnamedRanges(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    return uno::Reference<sheet::XUnnamedDatabaseRanges>(
        uno::Reference<beans::XPropertySet>(document, uno::UNO_QUERY_THROW)->getPropertyValue("UnnamedDatabaseRanges"),
        uno::UNO_QUERY_THROW);
}

// The sheet's own filter (the buttons of its AutoFilter); null when it has none.
uno::Reference<sheet::XDatabaseRange> filterOf(const uno::Reference<sheet::XUnnamedDatabaseRanges> &ranges, int tab)
{
    if (tab < 0 || !ranges->hasByTable(static_cast<sal_Int16>(tab)))
        return nullptr;
    uno::Reference<sheet::XDatabaseRange> range(ranges->getByTable(static_cast<sal_Int16>(tab)), uno::UNO_QUERY_THROW);
    bool buttons = false;
    uno::Reference<beans::XPropertySet>(range, uno::UNO_QUERY_THROW)->getPropertyValue("AutoFilter") >>= buttons;
    return buttons ? range : nullptr;
}

uno::Reference<sheet::XSheetFilterDescriptor3> criteriaOf(const uno::Reference<sheet::XDatabaseRange> &range)
{
    return uno::Reference<sheet::XSheetFilterDescriptor3>(range->getFilterDescriptor(), uno::UNO_QUERY_THROW);
}

QStringList sheetNames(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    QStringList names;
    for (const rtl::OUString &name : document->getSheets()->getElementNames())
        names << qs(name);
    return names;
}

uno::Reference<sheet::XSpreadsheet> sheetNamed(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                                               const QString &name)
{
    return uno::Reference<sheet::XSpreadsheet>(document->getSheets()->getByName(ou(name)), uno::UNO_QUERY_THROW);
}

// What a filter column lets through: its values as texts (the office reads
// a text value of an Excel filter as a number 0). Null for a column the
// criteria do not list values for, which decides nothing here.
struct ShownValues
{
    int column = 0; // 0-based, in the sheet
    QStringList texts;
};

QList<ShownValues> shownValues(const uno::Reference<sheet::XDatabaseRange> &range)
{
    QList<ShownValues> columns;
    const table::CellRangeAddress area = range->getDataArea();
    for (const sheet::TableFilterField3 &field : criteriaOf(range)->getFilterFields3()) {
        if (field.Operator != sheet::FilterOperator2::EQUAL || !field.Values.hasElements())
            continue;
        ShownValues shown{area.StartColumn + static_cast<int>(field.Field), {}};
        for (const sheet::FilterFieldValue &value : field.Values)
            shown.texts << (value.StringValue.isEmpty() && value.FilterType == sheet::FilterFieldType::NUMERIC
                                ? QString::number(value.NumericValue)
                                : qs(value.StringValue));
        columns.append(shown);
    }
    return columns;
}

// The hidden rows of the block, 0-based.
QList<int> hiddenRows(const uno::Reference<sheet::XSpreadsheet> &sheet, int first, int last)
{
    QVector<bool> visible(last - first + 1, false);
    uno::Reference<sheet::XCellRangesQuery> query(sheet->getCellRangeByPosition(0, first, 0, last), uno::UNO_QUERY_THROW);
    for (const table::CellRangeAddress &shown : query->queryVisibleCells()->getRangeAddresses()) {
        for (int row = shown.StartRow; row <= shown.EndRow; ++row)
            visible[row - first] = true;
    }
    QList<int> hidden;
    for (int i = 0; i < visible.size(); ++i) {
        if (!visible.at(i))
            hidden << first + i;
    }
    return hidden;
}

QList<QPair<int, int>> runsOf(const QList<int> &rows)
{
    QList<QPair<int, int>> runs;
    for (const int row : rows) {
        if (!runs.isEmpty() && runs.last().second == row - 1)
            runs.last().second = row;
        else
            runs.append({row, row});
    }
    return runs;
}

void setRowsVisible(const uno::Reference<sheet::XSpreadsheet> &sheet, const QList<QPair<int, int>> &runs, bool visible)
{
    for (const auto &run : runs) {
        uno::Reference<table::XColumnRowRange> rows(sheet->getCellRangeByPosition(0, run.first, 0, run.second),
                                                    uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet>(rows->getRows(), uno::UNO_QUERY_THROW)
            ->setPropertyValue("IsVisible", uno::Any(visible));
    }
}

} // namespace

QList<SetAside> showFilteredRows(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    QList<SetAside> setAside;
    const uno::Reference<sheet::XUnnamedDatabaseRanges> ranges = unnamedRanges(document);
    const QStringList names = sheetNames(document);
    for (int tab = 0; tab < names.size(); ++tab) {
        const uno::Reference<sheet::XDatabaseRange> range = filterOf(ranges, tab);
        if (!range.is())
            continue;
        const QList<ShownValues> columns = shownValues(range);
        if (columns.isEmpty())
            continue;
        const uno::Reference<sheet::XSpreadsheet> sheet = sheetNamed(document, names.at(tab));
        const table::CellRangeAddress area = range->getDataArea();
        QList<int> filtered;
        for (const int row : hiddenRows(sheet, area.StartRow + 1, area.EndRow)) {
            for (const ShownValues &column : columns) {
                const rtl::OUString text = uno::Reference<text::XTextRange>(
                    sheet->getCellByPosition(column.column, row), uno::UNO_QUERY_THROW)->getString();
                if (!column.texts.contains(qs(text), Qt::CaseInsensitive)) {
                    filtered << row;
                    break;
                }
            }
        }
        if (filtered.isEmpty())
            continue;
        const QList<QPair<int, int>> runs = runsOf(filtered);
        setRowsVisible(sheet, runs, true);
        setAside.append({names.at(tab), runs});
    }
    return setAside;
}

void hideAgain(const uno::Reference<sheet::XSpreadsheetDocument> &document, const QList<SetAside> &filters,
               const QStringList &passwords)
{
    for (const SetAside &filter : filters) {
        const uno::Reference<sheet::XSpreadsheet> sheet = sheetNamed(document, filter.sheetName);
        editUnlocked(sheet, passwords, [&]() { setRowsVisible(sheet, filter.rows, false); });
    }
}

void giveCopiesFilterButtons(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                             const QList<QPair<QString, QString>> &copies, const QStringList &passwords)
{
    const uno::Reference<sheet::XUnnamedDatabaseRanges> ranges = unnamedRanges(document);
    const QStringList names = sheetNames(document);
    for (const auto &copy : copies) {
        const int copyTab = names.indexOf(copy.first);
        const uno::Reference<sheet::XDatabaseRange> source = filterOf(ranges, names.indexOf(copy.second));
        if (copyTab < 0 || !source.is() || filterOf(ranges, copyTab).is())
            continue;
        const uno::Reference<sheet::XSpreadsheet> sheet = sheetNamed(document, copy.first);
        table::CellRangeAddress area = source->getDataArea();
        area.Sheet = static_cast<sal_Int16>(copyTab);
        area.EndRow -= rowsCopyLost(sheetNamed(document, copy.second), sheet);
        if (area.EndRow < area.StartRow)
            continue;
        editUnlocked(sheet, passwords, [&]() {
            ranges->setByTable(area);
            uno::Reference<beans::XPropertySet>(ranges->getByTable(area.Sheet), uno::UNO_QUERY_THROW)
                ->setPropertyValue("AutoFilter", uno::Any(true));
        });
    }
}

} // namespace SheetFilters
