#include "RowTemplate.h"

#include "RowCopyFormulas.h"
#include "RowLayout.h"
#include "SideDocuments.h"
#include "UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XSearchable.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>

#include <QVector>

#include <optional>

using namespace css;

namespace {

// The sheet's formula cells, when every one lies in rows `top` to `bottom`;
// none for a sheet without formulas, which the other ways serve.
std::optional<uno::Sequence<table::CellRangeAddress>> formulasInBlock(const uno::Reference<sheet::XSpreadsheet> &sheet,
                                                                     int top, int bottom)
{
    uno::Reference<sheet::XCellRangesQuery> query(sheet, uno::UNO_QUERY_THROW);
    const uno::Sequence<table::CellRangeAddress> areas
        = query->queryContentCells(sheet::CellFlags::FORMULA)->getRangeAddresses();
    if (!areas.hasElements())
        return std::nullopt;
    for (const table::CellRangeAddress &a : areas)
        if (a.StartRow < top - 1 || a.EndRow > bottom - 1)
            return std::nullopt;
    return areas;
}

// Whether each formula of `areas` copies as it moves (see RowCopyFormulas.h).
bool formulasCopyAsTheyMove(const uno::Reference<sheet::XSpreadsheet> &sheet,
                            const uno::Sequence<table::CellRangeAddress> &areas, int top, bool &readsByText)
{
    for (const table::CellRangeAddress &a : areas) {
        uno::Reference<sheet::XCellRangeFormula> cells(
            sheet->getCellRangeByPosition(a.StartColumn, a.StartRow, a.EndColumn, a.EndRow), uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<rtl::OUString>> formulas = cells->getFormulaArray();
        for (sal_Int32 r = 0; r < formulas.getLength(); ++r) {
            const int row = a.StartRow + 1 + r;
            for (const rtl::OUString &formula : formulas[r]) {
                // An array formula comes as {=...}: its cells copy as a whole only.
                const QString text = qs(formula);
                if (!text.startsWith(QLatin1Char('=')) || !formulaCopiesAsItMoves(text, row, top))
                    return false;
                if (text.contains(QLatin1String("INDIRECT"), Qt::CaseInsensitive))
                    readsByText = true;
            }
        }
    }
    return true;
}

// Whether a print range, or print title rows reaching the block, or a name
// of the sheet's own could name rows of the block.
bool namesRows(const uno::Reference<sheet::XSpreadsheet> &sheet, int top)
{
    uno::Reference<sheet::XPrintAreas> print(sheet, uno::UNO_QUERY_THROW);
    if (print->getPrintAreas().hasElements())
        return true;
    if (print->getPrintTitleRows() && print->getTitleRows().EndRow >= top - 1)
        return true;
    uno::Reference<beans::XPropertySet> props(sheet, uno::UNO_QUERY_THROW);
    if (!props->getPropertySetInfo()->hasPropertyByName("NamedRanges"))
        return false;
    uno::Reference<sheet::XNamedRanges> names(props->getPropertyValue("NamedRanges"), uno::UNO_QUERY);
    return names.is() && names->getElementNames().hasElements();
}

} // namespace

namespace RowTemplate {

bool fits(const uno::Reference<sheet::XSpreadsheetDocument> &document, const uno::Reference<sheet::XSpreadsheet> &sheet,
          int top, int bottom, int right, bool &readsByText)
{
    readsByText = false;
    if (top < 1 || bottom < top || right < 1)
        return false;
    const std::optional<uno::Sequence<table::CellRangeAddress>> formulas = formulasInBlock(sheet, top, bottom);
    if (!formulas || !SideDocuments::holdsOnlyCells(document, sheet) || namesRows(sheet, top))
        return false;
    uno::Reference<util::XMergeable> mergeable(sheet->getCellRangeByPosition(0, top - 1, right - 1, bottom - 1),
                                               uno::UNO_QUERY_THROW);
    if (mergeable->getIsMerged())
        return false;
    const uno::Sequence<table::CellRangeAddress> shown = shownRowRuns(sheet, top, bottom);
    if (shown.getLength() != 1 || shown[0].StartRow != top - 1 || shown[0].EndRow != bottom - 1)
        return false;
    return formulasCopyAsTheyMove(sheet, *formulas, top, readsByText);
}

void copyCellsIn(const uno::Reference<sheet::XSpreadsheet> &source, const uno::Reference<sheet::XSpreadsheet> &target,
                 const QList<SheetArea> &runs, int top, const QList<SheetArea> &columns)
{
    uno::Reference<sheet::XCellRangeMovement> movement(target, uno::UNO_QUERY_THROW);
    for (const SheetArea &c : columns) {
        int to = top;
        for (const SheetArea &run : runs) {
            uno::Reference<sheet::XCellRangeAddressable> from(
                source->getCellRangeByPosition(c.left - 1, run.top - 1, c.right - 1, run.bottom - 1), uno::UNO_QUERY_THROW);
            uno::Reference<sheet::XCellAddressable> at(target->getCellByPosition(c.left - 1, to - 1), uno::UNO_QUERY_THROW);
            movement->copyRange(at->getCellAddress(), from->getRangeAddress());
            to += run.rows();
        }
    }
}

void copyRowsIn(const uno::Reference<sheet::XSpreadsheet> &source, const uno::Reference<sheet::XSpreadsheet> &target,
                const QList<SheetArea> &runs, int top, const QList<SheetArea> &columns)
{
    int count = 0;
    for (const SheetArea &run : runs)
        count += run.rows();
    if (count > 0)
        uno::Reference<table::XColumnRowRange>(target, uno::UNO_QUERY_THROW)->getRows()->insertByIndex(top - 1, count);
    copyCellsIn(source, target, runs, top, columns);
    const int to = top + count;
    if (to == top)
        return;
    // The rows copied into stood below the block: they get the block's height.
    uno::Reference<beans::XPropertySet> wanted(
        uno::Reference<table::XColumnRowRange>(source, uno::UNO_QUERY_THROW)->getRows()->getByIndex(top - 1),
        uno::UNO_QUERY_THROW);
    uno::Reference<beans::XPropertySet> given(
        uno::Reference<table::XColumnRowRange>(target, uno::UNO_QUERY_THROW)->getRows()->getByIndex(top - 1),
        uno::UNO_QUERY_THROW);
    const uno::Any height = wanted->getPropertyValue("Height");
    const uno::Any optimal = wanted->getPropertyValue("OptimalHeight");
    if (height == given->getPropertyValue("Height") && optimal == given->getPropertyValue("OptimalHeight"))
        return;
    uno::Reference<beans::XPropertySet> rows(
        uno::Reference<table::XColumnRowRange>(target->getCellRangeByPosition(0, top - 1, 0, to - 2), uno::UNO_QUERY_THROW)
            ->getRows(),
        uno::UNO_QUERY_THROW);
    rows->setPropertyValue("Height", height);
    rows->setPropertyValue("OptimalHeight", optimal);
}

QList<SheetArea> formulaColumns(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom, int right)
{
    QVector<bool> has(right + 1, false);
    const std::optional<uno::Sequence<table::CellRangeAddress>> areas = formulasInBlock(sheet, top, bottom);
    if (areas)
        for (const table::CellRangeAddress &a : *areas)
            for (int c = a.StartColumn + 1; c <= a.EndColumn + 1 && c <= right; ++c)
                has[c] = true;
    QList<SheetArea> runs;
    for (int c = 1; c <= right; ++c)
        if (has[c]) {
            if (!runs.isEmpty() && runs.last().right == c - 1)
                runs.last().right = c;
            else
                runs << SheetArea{top, c, bottom, c};
        }
    return runs;
}

bool readsSheetsByText(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                       const uno::Reference<sheet::XSpreadsheet> &except)
{
    const rtl::OUString indirect("INDIRECT");
    const sal_Int16 skipped = uno::Reference<sheet::XCellRangeAddressable>(except, uno::UNO_QUERY_THROW)->getRangeAddress().Sheet;
    uno::Reference<container::XIndexAccess> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
        if (i == skipped)
            continue;
        uno::Reference<util::XSearchable> searchable(sheets->getByIndex(i), uno::UNO_QUERY_THROW);
        uno::Reference<util::XSearchDescriptor> search = searchable->createSearchDescriptor();
        search->setSearchString(indirect);
        uno::Reference<beans::XPropertySet>(search, uno::UNO_QUERY_THROW)->setPropertyValue("SearchType", uno::Any(sal_Int16(0)));
        if (searchable->findFirst(search).is())
            return true;
    }
    uno::Reference<beans::XPropertySet> props(document, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XNamedRanges> names(props->getPropertyValue("NamedRanges"), uno::UNO_QUERY_THROW);
    const uno::Reference<container::XNameAccess> byName(names, uno::UNO_QUERY_THROW);
    for (const rtl::OUString &name : names->getElementNames()) {
        uno::Reference<sheet::XNamedRange> named(byName->getByName(name), uno::UNO_QUERY_THROW);
        if (named->getContent().toAsciiUpperCase().indexOf(indirect) >= 0)
            return true;
    }
    return false;
}

} // namespace RowTemplate
