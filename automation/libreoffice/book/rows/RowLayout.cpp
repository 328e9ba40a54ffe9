#include "RowLayout.h"

#include "UnoText.h"

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/TablePageBreakData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetOutline.hpp>
#include <com/sun/star/sheet/XSheetPageBreak.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/TableOrientation.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>

#include <algorithm>
#include <cmath>

using namespace css;

namespace {

// Rows weighed together: the more, the fewer calls, and the more room for a
// taller row and a lower one in the same stretch to make up for each other.
constexpr int kStretchRows = 32;

// The office keeps heights in twips and tells them in 1/100 mm.
constexpr double kMm100PerTwip = 2540.0 / 1440.0;

sal_Int32 heightOf(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom)
{
    uno::Reference<beans::XPropertySet> range(sheet->getCellRangeByPosition(0, top - 1, 0, bottom - 1),
                                              uno::UNO_QUERY_THROW);
    return range->getPropertyValue("Size").get<awt::Size>().Height;
}

bool sameRows(const uno::Sequence<table::CellRangeAddress> &a, const uno::Sequence<table::CellRangeAddress> &b)
{
    if (a.getLength() != b.getLength())
        return false;
    for (sal_Int32 i = 0; i < a.getLength(); ++i)
        if (a[i].StartRow != b[i].StartRow || a[i].EndRow != b[i].EndRow)
            return false;
    return true;
}

// The office keeps up to seven levels of groups.
constexpr sal_Int16 kMoreThanAnyLevel = 8;

// Longer than any name a caller may give a sheet, so it never meets one.
const char kOutlineProbe[] = "sheetsplicer outline probe, removed at once";

} // namespace

uno::Sequence<table::CellRangeAddress> shownRowRuns(const uno::Reference<sheet::XSpreadsheet> &sheet, int top,
                                                    int bottom)
{
    uno::Reference<sheet::XCellRangesQuery> query(sheet->getCellRangeByPosition(0, top - 1, 0, bottom - 1),
                                                  uno::UNO_QUERY_THROW);
    return query->queryVisibleCells()->getRangeAddresses();
}

bool shownRowsEquallyHigh(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom)
{
    if (bottom <= top)
        return true;
    const uno::Sequence<table::CellRangeAddress> shown = shownRowRuns(sheet, top, bottom);
    if (!shown.hasElements())
        return true;
    // The first shown row's height, back in twips.
    const sal_Int32 row = shown[0].StartRow;
    uno::Reference<table::XColumnRowRange> firstRow(sheet->getCellRangeByPosition(0, row, 0, row),
                                                    uno::UNO_QUERY_THROW);
    uno::Reference<beans::XPropertySet> rowProps(firstRow->getRows(), uno::UNO_QUERY_THROW);
    const double twips = std::round(rowProps->getPropertyValue("Height").get<sal_Int32>() / kMm100PerTwip);
    for (const table::CellRangeAddress &run : shown)
        for (int from = run.StartRow + 1; from <= run.EndRow + 1; from += kStretchRows) {
            const int to = std::min(from + kStretchRows - 1, run.EndRow + 1);
            // The office cuts both ends of a stretch to 1/100 mm and counts
            // the last one in: between the exact height and two more when
            // every row is as high as the first. A row two twips (a tenth of
            // a point) higher or lower falls outside.
            const double over = heightOf(sheet, from, to) - (to - from + 1) * twips * kMm100PerTwip;
            if (std::abs(over - 1) > 1.6)
                return false;
        }
    return true;
}

bool holdsManualRowBreaks(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom)
{
    uno::Reference<sheet::XSheetPageBreak> breaks(sheet, uno::UNO_QUERY_THROW);
    for (const sheet::TablePageBreakData &pageBreak : breaks->getRowPageBreaks())
        // A break's position is the 0-based row it comes before.
        if (pageBreak.ManualBreak && pageBreak.Position + 1 >= top && pageBreak.Position + 1 <= bottom + 1)
            return true;
    return false;
}

bool holdsRowOutline(const uno::Reference<sheet::XSpreadsheetDocument> &document, const QString &name, int top,
                     int bottom)
{
    uno::Reference<sheet::XSpreadsheets> sheets = document->getSheets();
    const sal_Int32 end = uno::Reference<container::XIndexAccess>(sheets, uno::UNO_QUERY_THROW)->getCount();
    sheets->copyByName(ou(name), kOutlineProbe, static_cast<sal_Int16>(end));
    bool grouped = false;
    try {
        const uno::Reference<sheet::XSpreadsheet> probe(sheets->getByName(kOutlineProbe), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetOutline> outline(probe, uno::UNO_QUERY_THROW);
        // Every group opened (a closed one hides its rows like any hidden
        // row), then every group closed.
        outline->showLevel(kMoreThanAnyLevel, table::TableOrientation_ROWS);
        const uno::Sequence<table::CellRangeAddress> open = shownRowRuns(probe, top, bottom);
        outline->showLevel(0, table::TableOrientation_ROWS);
        grouped = !sameRows(open, shownRowRuns(probe, top, bottom));
    } catch (...) {
        sheets->removeByName(kOutlineProbe);
        throw;
    }
    sheets->removeByName(kOutlineProbe);
    return grouped;
}
