#include "RowHeights.h"

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
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

} // namespace

bool shownRowsEquallyHigh(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom)
{
    if (bottom <= top)
        return true;
    uno::Reference<sheet::XCellRangesQuery> query(sheet->getCellRangeByPosition(0, top - 1, 0, bottom - 1),
                                                  uno::UNO_QUERY_THROW);
    const uno::Sequence<table::CellRangeAddress> shown = query->queryVisibleCells()->getRangeAddresses();
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
            // Both ends of a stretch are rounded to 1/100 mm: within one
            // of the exact height when every row is as high as the first.
            const double expected = (to - from + 1) * twips * kMm100PerTwip;
            if (std::abs(heightOf(sheet, from, to) - expected) > 1.5)
                return false;
        }
    return true;
}
