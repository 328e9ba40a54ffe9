#include "CopyRows.h"

#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>

using namespace css;

namespace {

int lastUsedRow(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
    uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
    return uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress().EndRow;
}

} // namespace

int rowsCopyLost(const uno::Reference<sheet::XSpreadsheet> &source, const uno::Reference<sheet::XSpreadsheet> &copy)
{
    return lastUsedRow(source) - lastUsedRow(copy);
}
