#include "SheetGeometry.h"

#include "AutomationObject.h"

namespace {

int countProperty(AutomationObject *collection)
{
    return collection ? collection->property("Count").toInt() : 0;
}

} // namespace

int countOf(AutomationObject *range, const char *collection)
{
    return range ? countProperty(range->querySubObject(collection)) : 0;
}

int usedRowCount(AutomationObject *sheet)
{
    return sheet ? countOf(sheet->querySubObject("UsedRange"), "Rows") : 0;
}

BlockGeometry readBlockGeometry(AutomationObject *range)
{
    BlockGeometry block;
    if (!range)
        return block;
    block.topRow = range->property("Row").toInt();
    block.leftColumn = range->property("Column").toInt();
    block.rowCount = countOf(range, "Rows");
    block.columnCount = countOf(range, "Columns");
    return block;
}

BlockGeometry readBlockGeometryCollectionsFirst(AutomationObject *range)
{
    BlockGeometry block;
    if (!range)
        return block;
    block.topRow = range->property("Row").toInt();
    block.leftColumn = range->property("Column").toInt();
    AutomationObject *rows = range->querySubObject("Rows");
    AutomationObject *columns = range->querySubObject("Columns");
    block.rowCount = countProperty(rows);
    block.columnCount = countProperty(columns);
    return block;
}
