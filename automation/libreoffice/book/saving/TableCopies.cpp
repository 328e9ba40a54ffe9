#include "TableCopies.h"

#include "CopyRows.h"
#include "FormulaBlocks.h"
#include "SheetNames.h"
#include "SheetUnlock.h"
#include "TableReferences.h"
#include "UnoText.h"

#include <QLoggingCategory>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XDatabaseRange.hpp>
#include <com/sun/star/sheet/XDatabaseRanges.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

Q_DECLARE_LOGGING_CATEGORY(officeLog)

using namespace css;

namespace {

struct Table
{
    QString name;
    table::CellRangeAddress area;
    bool header = true;
    bool autoFilter = false;
};

QList<Table> tablesOn(const uno::Reference<sheet::XDatabaseRanges> &ranges, sal_Int16 tab)
{
    QList<Table> tables;
    for (const rtl::OUString &name : ranges->getElementNames()) {
        uno::Reference<sheet::XDatabaseRange> range(ranges->getByName(name), uno::UNO_QUERY_THROW);
        const table::CellRangeAddress area = range->getDataArea();
        if (area.Sheet != tab)
            continue;
        uno::Reference<beans::XPropertySet> props(range, uno::UNO_QUERY_THROW);
        bool header = true;
        bool autoFilter = false;
        props->getPropertyValue("ContainsHeader") >>= header;
        props->getPropertyValue("AutoFilter") >>= autoFilter;
        tables.append({qs(name), area, header, autoFilter});
    }
    return tables;
}

int tabOf(const uno::Reference<sheet::XSpreadsheetDocument> &document, const QString &name)
{
    uno::Reference<container::XIndexAccess> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
        if (qs(uno::Reference<container::XNamed>(sheets->getByIndex(i), uno::UNO_QUERY_THROW)->getName()) == name)
            return i;
    }
    return -1;
}

// A name for a new table: "Table1_2", "Table1_3", ... unlike every table's
// and every defined name's, letter case aside.
QString newTableName(const QString &original, const uno::Reference<sheet::XSpreadsheetDocument> &document,
                     const uno::Reference<sheet::XDatabaseRanges> &ranges)
{
    QStringList taken;
    for (const rtl::OUString &name : ranges->getElementNames())
        taken << sheetNameKey(qs(name));
    uno::Reference<container::XNameAccess> names(
        uno::Reference<beans::XPropertySet>(document, uno::UNO_QUERY_THROW)->getPropertyValue("NamedRanges"),
        uno::UNO_QUERY_THROW);
    for (const rtl::OUString &name : names->getElementNames())
        taken << sheetNameKey(qs(name));
    for (int n = 2;; ++n) {
        const QString name = original + QStringLiteral("_") + QString::number(n);
        if (!taken.contains(sheetNameKey(name)))
            return name;
    }
}

// The copy's own table for `original`: the one the office copied with the
// sheet (same header row and columns), or a new one over the same rows but
// those the copy lost. Empty when the copy kept no row of it.
QString ownTable(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                 const uno::Reference<sheet::XDatabaseRanges> &ranges, const Table &original,
                 const QList<Table> &onCopy, sal_Int16 copyTab, int rowsLost)
{
    for (const Table &table : onCopy) {
        if (table.area.StartRow == original.area.StartRow && table.area.StartColumn == original.area.StartColumn
            && table.area.EndColumn == original.area.EndColumn)
            return table.name;
    }
    table::CellRangeAddress area = original.area;
    area.Sheet = copyTab;
    area.EndRow = original.area.EndRow - rowsLost;
    if (area.EndRow <= area.StartRow)
        return QString();
    const QString name = newTableName(original.name, document, ranges);
    ranges->addNewByName(ou(name), area);
    uno::Reference<beans::XPropertySet>(ranges->getByName(ou(name)), uno::UNO_QUERY_THROW)
        ->setPropertyValue("ContainsHeader", uno::Any(original.header));
    uno::Reference<beans::XPropertySet>(ranges->getByName(ou(name)), uno::UNO_QUERY_THROW)
        ->setPropertyValue("AutoFilter", uno::Any(original.autoFilter));
    return name;
}

} // namespace

int giveCopiesTheirTables(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                          const QList<QPair<QString, QString>> &copies, const QStringList &passwords)
{
    uno::Reference<sheet::XDatabaseRanges> ranges(
        uno::Reference<beans::XPropertySet>(document, uno::UNO_QUERY_THROW)->getPropertyValue("DatabaseRanges"),
        uno::UNO_QUERY_THROW);
    if (!ranges->hasElements())
        return 0;
    uno::Reference<container::XNameAccess> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    int written = 0;
    for (const auto &copy : copies) {
        const int sourceTab = tabOf(document, copy.second);
        const int copyTab = tabOf(document, copy.first);
        if (sourceTab < 0 || copyTab < 0)
            continue;
        const QList<Table> originals = tablesOn(ranges, static_cast<sal_Int16>(sourceTab));
        if (originals.isEmpty())
            continue;
        uno::Reference<sheet::XSpreadsheet> source(sheets->getByName(ou(copy.second)), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSpreadsheet> sheet(sheets->getByName(ou(copy.first)), uno::UNO_QUERY_THROW);
        const int rowsLost = rowsCopyLost(source, sheet);
        const QList<Table> onCopy = tablesOn(ranges, static_cast<sal_Int16>(copyTab));
        QList<QPair<QString, QString>> renames;
        for (const Table &original : originals) {
            const QString own = ownTable(document, ranges, original, onCopy, static_cast<sal_Int16>(copyTab), rowsLost);
            if (!own.isEmpty())
                renames.append({original.name, own});
        }
        if (renames.isEmpty())
            continue;
        uno::Reference<sheet::XCellRangesQuery> query(sheet, uno::UNO_QUERY_THROW);
        const uno::Sequence<table::CellRangeAddress> blocks =
            query->queryContentCells(sheet::CellFlags::FORMULA)->getRangeAddresses();
        const bool edited = editUnlocked(sheet, passwords, [&]() {
            for (const table::CellRangeAddress &block : blocks) {
                written += rewriteFormulaBlock(sheet, block, [&](const QString &formula) {
                    QString renamed = formula;
                    for (const auto &rename : renames)
                        renamed = renameTableReferences(renamed, rename.first, rename.second);
                    return renamed;
                });
            }
        });
        if (!edited)
            qCWarning(officeLog) << "the formulas of" << copy.first << "could not be pointed at its own tables";
    }
    return written;
}
