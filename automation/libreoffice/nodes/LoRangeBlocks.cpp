// A range's writes over a whole block at once: rows of values, as Excel's
// Range.Value = array, and AutoFill of formats only.

#include "LoNodes.h"

#include "MemberCatalogue.h"

#include "Book.h"
#include "CellNotes.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"

#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>

using namespace css;

namespace {

// A number stays a number; anything else goes as text, a leading "=" too,
// and an empty value empties its cell.
uno::Any cellValue(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return uno::Any(value.toDouble());
    default:
        return uno::Any(ou(value.toString()));
    }
}

} // namespace

QVariant LoRange::setBlockValues(const QVariantList &rows)
{
    const SheetArea a = m_areas.first();
    const bool ok = guarded(session(), [&]() -> bool {
        uno::Sequence<uno::Sequence<uno::Any>> data(a.rows());
        for (int r = 0; r < a.rows(); ++r) {
            const QVariantList values = rows.value(r).toList();
            uno::Sequence<uno::Any> row(a.columns());
            for (int c = 0; c < a.columns(); ++c)
                row[c] = cellValue(values.value(c));
            data[r] = row;
        }
        const uno::Reference<sheet::XSpreadsheet> &sheet = m_sheet->sheet;
        // The office empties the block's comments with its contents.
        const CellNotes notes = keepNotes(sheet, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        uno::Reference<sheet::XCellRangeData> block(
            sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), uno::UNO_QUERY_THROW);
        block->setDataArray(data);
        restoreNotes(sheet, notes);
        return true;
    }, false);
    for (int row = a.top; row <= a.bottom; ++row)
        for (int column = a.left; column <= a.right; ++column)
            m_sheet->formulas.excel.remove({row, column});
    return ok ? QVariant(true) : QVariant();
}

// AutoFill(destination, 3): the rows of the destination below this range
// take its formats, and nothing else of it.
QVariant LoRange::fillFormats(const QVariantList &args)
{
    auto destination = std::dynamic_pointer_cast<LoRange>(nodeOf(args.value(0)));
    if (!destination || destination->sheetState() != m_sheet || args.value(1).toInt() != Xl::fillFormats)
        return QVariant();
    const SheetArea source = m_areas.first();
    const SheetArea target = destination->areas().first();
    if (target.top != source.top || target.left != source.left || target.right != source.right
        || target.bottom <= source.bottom)
        return QVariant();
    const bool ok = guarded(session(), [&]() -> bool {
        const uno::Reference<sheet::XSpreadsheet> &sheet = m_sheet->sheet;
        uno::Reference<sheet::XCellRangeMovement> movement(sheet, uno::UNO_QUERY_THROW);
        const auto addressOf = [&](int top, int bottom) {
            return uno::Reference<sheet::XCellRangeAddressable>(
                       sheet->getCellRangeByPosition(source.left - 1, top - 1, source.right - 1, bottom - 1),
                       uno::UNO_QUERY_THROW)
                ->getRangeAddress();
        };
        // The source, then what is filled so far, copied on down: a few
        // calls for many rows. Each copy repeats the source exactly.
        const int height = source.rows();
        int filled = height;
        while (source.top + filled <= target.bottom) {
            const int rows = qMin(filled, target.bottom - (source.top + filled) + 1);
            const table::CellAddress to{addressOf(source.top, source.top).Sheet, sal_Int32(source.left - 1),
                                        sal_Int32(source.top + filled - 1)};
            movement->copyRange(to, addressOf(source.top, source.top + rows - 1));
            filled += rows;
        }
        uno::Reference<sheet::XSheetOperation> copied(
            sheet->getCellRangeByPosition(source.left - 1, source.bottom, source.right - 1, target.bottom - 1),
            uno::UNO_QUERY_THROW);
        copied->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME | sheet::CellFlags::STRING
                              | sheet::CellFlags::ANNOTATION | sheet::CellFlags::FORMULA
                              | sheet::CellFlags::OBJECTS | sheet::CellFlags::EDITATTR);
        return true;
    }, false);
    for (int row = source.bottom + 1; row <= target.bottom; ++row)
        for (int column = source.left; column <= source.right; ++column)
            m_sheet->formulas.excel.remove({row, column});
    return ok ? QVariant(true) : QVariant();
}
