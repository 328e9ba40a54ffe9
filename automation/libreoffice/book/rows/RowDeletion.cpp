#include "RowDeletion.h"

#include "BookContext.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "Guarded.h"
#include "RowLayout.h"
#include "SideDocuments.h"
#include "UnoProps.h"

#include <QDateTime>
#include <QFileInfo>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XSortable.hpp>
#include <com/sun/star/table/TableSortField.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>

#include <algorithm>
#include <utility>
#include <cstdlib>

using namespace css;

namespace {

// Deletions of at least this many separate blocks of rows are made by sorting.
constexpr int kSortRuns = 3;
// The office's last column (1-based); the helper columns of a sort must fit.
constexpr int kMaxSortColumn = 1024;
// Up to this many runs of rows kept between the rows deleted are moved up
// instead of sorted: a move costs the office about a tenth of sorting a
// block of a few thousand rows.
constexpr int kMaxMovedRuns = 8;

// The first and the last row (1-based) the areas name; (kSheetRows, 0) for none.
std::pair<int, int> rowSpan(const QList<SheetArea> &rows)
{
    int top = kSheetRows;
    int bottom = 0;
    for (const SheetArea &a : rows) {
        top = qMin(top, a.top);
        bottom = qMax(bottom, a.bottom);
    }
    return {top, bottom};
}

// Whether rows `top` to `bottom` (1-based), columns 1 to `right`, hold merged
// cells, which neither a sort nor a move can take along.
bool holdsMergedCells(const uno::Reference<sheet::XSpreadsheet> &sheet, int top, int bottom, int right)
{
    uno::Reference<util::XMergeable> mergeable(sheet->getCellRangeByPosition(0, top - 1, right - 1, bottom - 1),
                                               uno::UNO_QUERY_THROW);
    return mergeable->getIsMerged();
}

// The rows of [top, bottom] (1-based) that `rows` does not name, as runs.
QList<SheetArea> keptRuns(const QList<SheetArea> &rows, int top, int bottom)
{
    QVector<bool> doomed(bottom - top + 1, false);
    for (const SheetArea &a : rows)
        for (int r = qMax(a.top, top); r <= qMin(a.bottom, bottom); ++r)
            doomed[r - top] = true;
    QList<SheetArea> runs;
    for (int r = top; r <= bottom; ++r) {
        if (doomed[r - top])
            continue;
        if (!runs.isEmpty() && runs.last().bottom == r - 1)
            runs.last().bottom = r;
        else
            runs.append(SheetArea{r, 1, r, 1});
    }
    return runs;
}

} // namespace

bool RowDeletion::manyRunsMayMove(SheetState &state, const QList<SheetArea> &rows)
{
    if (m_context.unbuffered() || rows.size() < kSortRuns)
        return false;
    const std::pair<int, int> span = rowSpan(rows);
    return rowsMayMove(state, span.first, span.second);
}

bool RowDeletion::deleteFromWholeSheet(SheetState &state, const QList<SheetArea> &rows, bool manyRuns)
{
    // Once rows have moved, a failure is the job's: deleting the blocks
    // named before the move would take the wrong rows.
    const std::optional<bool> moved = manyRuns ? moveKeptRows(state, rows) : std::nullopt;
    return moved ? *moved : (manyRuns && sortAwayRows(state, rows)) || deleteRowBlocks(state, rows);
}

void RowDeletion::noteRowsDeleted(SheetState &state)
{
    ++state.version;
    state.filter.active = false;
    state.filter.hiddenRows.clear();
    m_values.invalidateValues();
}

bool RowDeletion::rowsMayMove(SheetState &state, int top, int bottom)
{
    SheetState *source = unchangedSourceOf(state);
    SheetState &asked = source ? *source : state;
    if (m_heightsSeen && m_heightsSeen->sheet.lock().get() == &asked && m_heightsSeen->version == asked.version
        && m_heightsSeen->top <= top && bottom <= m_heightsSeen->bottom)
        return m_heightsSeen->alike;
    // The whole filtered block at once, which every copy's rows lie in.
    if (state.filter.active) {
        top = qMin(top, state.filter.firstRow);
        bottom = qMax(bottom, state.filter.lastRow);
    }
    const QString name = m_sheets.nameOf(asked);
    // A sheet of the source as it loaded: the same file loaded again (one
    // workbook per category) has the same rows.
    QString loadedKey;
    if (asked.version == 0 && !asked.lineage.source.lock() && !asked.aside.document.is() && !name.isNull()) {
        const QFileInfo file(m_context.packagePath());
        loadedKey = QStringLiteral("rows may move|%1|%2|%3|%4|%5|%6")
                        .arg(file.absoluteFilePath())
                        .arg(file.size())
                        .arg(file.lastModified().toMSecsSinceEpoch())
                        .arg(name)
                        .arg(top)
                        .arg(bottom);
    }
    const std::optional<bool> known = loadedKey.isEmpty() ? std::nullopt : m_context.session().loadedSheetFact(loadedKey);
    const bool alike = known ? *known : !name.isNull() && guarded(m_context.session(), [&]() {
        return shownRowsEquallyHigh(asked.sheet, top, bottom) && !holdsManualRowBreaks(asked.sheet, top, bottom)
               && !holdsRowOutline(m_context.documentOf(asked), name, top, bottom);
    }, false);
    if (!known && !loadedKey.isEmpty() && !m_context.session().lost())
        m_context.session().noteLoadedSheetFact(loadedKey, alike);
    if (!alike)
        qCDebug(officeLog) << "rows of different heights, page breaks or outline: deleted block by block";
    m_heightsSeen = HeightsSeen{m_sheets.states().value(asked.identity.get()), asked.version, top, bottom, alike};
    return alike;
}

// Bottom-up, so the row numbers still to come stay where they were.
bool RowDeletion::deleteRowBlocks(SheetState &state, const QList<SheetArea> &rows)
{
    QList<SheetArea> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), [](const SheetArea &a, const SheetArea &b) { return a.top > b.top; });
    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XColumnRowRange> columnsRows(state.sheet, uno::UNO_QUERY_THROW);
        uno::Reference<table::XTableRows> tableRows = columnsRows->getRows();
        for (const SheetArea &a : sorted)
            tableRows->removeByIndex(a.top - 1, a.rows());
        return true;
    }, false);
}

// Half a point, in the office's 1/100 mm.
constexpr sal_Int32 kRowHeightTolerance = 18;

// The office fills the rows a delete frees at the bottom of the sheet with
// its own standard height, not the sheet's: a sheet from a file whose rows
// are 15 pt high would be saved with every such row written out. The rows
// are put back as the sheet had them, copied from the row above them (with
// heights not fitted, the inserted rows keep that row's height as it is).
void RowDeletion::refillBottomRows(SheetState &state, const QList<SheetArea> &deleted)
{
    int count = 0;
    for (const SheetArea &a : deleted)
        count += a.rows();
    guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XColumnRowRange> columnsRows(state.sheet, uno::UNO_QUERY_THROW);
        uno::Reference<table::XTableRows> tableRows = columnsRows->getRows();
        const sal_Int32 total = tableRows->getCount();
        if (count <= 0 || count >= total)
            return true;
        const sal_Int32 freed = total - count;
        uno::Reference<beans::XPropertySet> above(tableRows->getByIndex(freed - 1), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> last(tableRows->getByIndex(total - 1), uno::UNO_QUERY_THROW);
        // Heights within half a point of each other (12.75 and 12.8 pt, say)
        // look the same, and the insert costs as much as the delete did.
        const sal_Int32 wanted = above->getPropertyValue("Height").get<sal_Int32>();
        const sal_Int32 given = last->getPropertyValue("Height").get<sal_Int32>();
        if (std::abs(wanted - given) <= kRowHeightTolerance
            && above->getPropertyValue("OptimalHeight") == last->getPropertyValue("OptimalHeight"))
            return true;
        tableRows->insertByIndex(freed, count);
        return true;
    }, false);
}

// Whether `copy` is a fresh copy of a sheet whose cells nothing follows: no
// formulas (a formula naming a row deleted must end as #REF!, where a move
// would leave it naming the row moved in), no conditional formats, shapes,
// charts, pivot tables, validations, tables or links; and no hidden rows in
// its used area (a sort takes a row's hidden flag along, a move leaves it).
// Asked once per version of the sheet copied.
bool RowDeletion::nothingFollowsItsCells(SheetState &copy)
{
    const auto source = copy.lineage.source.lock();
    if (!source || source->aside.document.is() || !isUnchangedCopy(copy, *source))
        return false;
    if (m_lookedAt.lock() != source || m_lookedAtVersion != source->version) {
        m_lookedAt = source;
        m_lookedAtVersion = source->version;
        const SheetArea used = m_values.usedArea(*source);
        m_movable = guarded(m_context.session(), [&]() -> bool {
            if (!SideDocuments::canCarry(m_context.document(), source->sheet))
                return false;
            const int last = qMax(used.bottom, 1);
            const uno::Sequence<table::CellRangeAddress> shown = shownRowRuns(source->sheet, 1, last);
            return shown.getLength() == 1 && shown[0].StartRow == 0 && shown[0].EndRow == last - 1;
        }, false);
    }
    return m_movable;
}

// Many scattered rows around a few kept ones, on a sheet whose cells nothing
// follows: each run of rows kept moves up to where the rows kept before it
// end, and the rest of the block goes as one. The office moves cells with
// their formatting and notes; the result is the one deleting block by block
// gives. Not for rows with merged cells.
std::optional<bool> RowDeletion::moveKeptRows(SheetState &state, const QList<SheetArea> &rows)
{
    const std::pair<int, int> span = rowSpan(rows);
    const int top = span.first;
    const int bottom = span.second;
    if (top < 1 || bottom < top)
        return std::nullopt;
    const QList<SheetArea> runs = keptRuns(rows, top, bottom);
    if (runs.size() > kMaxMovedRuns || !nothingFollowsItsCells(state))
        return std::nullopt;
    const SheetArea used = m_values.usedArea(state);
    const int right = qMax(used.right, 1);
    if (bottom > used.bottom)
        return std::nullopt;
    int kept = 0;
    for (const SheetArea &run : runs)
        kept += run.rows();
    if (guarded(m_context.session(), [&]() { return holdsMergedCells(state.sheet, top, bottom, right); }, true))
        return std::nullopt;
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XCellRangeMovement> movement(state.sheet, uno::UNO_QUERY_THROW);
        int to = top;
        for (const SheetArea &run : runs) {
            if (run.top != to) {
                uno::Reference<sheet::XCellRangeAddressable> from(
                    state.sheet->getCellRangeByPosition(0, run.top - 1, right - 1, run.bottom - 1), uno::UNO_QUERY_THROW);
                uno::Reference<sheet::XCellAddressable> target(state.sheet->getCellByPosition(0, to - 1),
                                                               uno::UNO_QUERY_THROW);
                movement->moveRange(target->getCellAddress(), from->getRangeAddress());
            }
            to += run.rows();
        }
        uno::Reference<table::XColumnRowRange> columnsRows(state.sheet, uno::UNO_QUERY_THROW);
        columnsRows->getRows()->removeByIndex(top - 1 + kept, bottom - top + 1 - kept);
        qCDebug(officeLog) << "rows kept moved up:" << runs.size() << "runs";
        return true;
    }, false);
    state.forgetReads();
    m_values.invalidateValues();
    return ok;
}

// Many scattered rows go in three calls instead of one call a block: the
// rows to delete are sorted, stably, below the rows to keep and then deleted
// as one block. The office moves every cell's formatting with it and, with
// UpdateReferenceOnSort, every reference follows the cell it names, so the
// result is the one deleting block by block gives. Not for rows with merged
// cells, which a sort cannot move.
bool RowDeletion::sortAwayRows(SheetState &state, const QList<SheetArea> &rows)
{
    const std::pair<int, int> span = rowSpan(rows);
    const int top = span.first;
    const int bottom = span.second;
    if (top < 1 || bottom < top)
        return false;
    const int count = bottom - top + 1;
    QVector<double> doomed(count, 0.0);
    QVector<double> order(count);
    for (const SheetArea &a : rows)
        for (int r = a.top; r <= a.bottom; ++r)
            doomed[r - top] = 1.0;
    for (int i = 0; i < count; ++i)
        order[i] = i;
    const int kept = static_cast<int>(std::count(doomed.cbegin(), doomed.cend(), 0.0));
    if (!sortBlockRows(state, top, bottom, {doomed, order}))
        return false;
    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XColumnRowRange> columnsRows(state.sheet, uno::UNO_QUERY_THROW);
        columnsRows->getRows()->removeByIndex(top - 1 + kept, count - kept);
        return true;
    }, false);
}

// Sorts the rows from `top` to `bottom`, whole, by the keys (one column of
// numbers each, one number a row), which go into helper columns right of the
// used area for the sort and are cleared after it.
bool RowDeletion::sortBlockRows(SheetState &state, int top, int bottom, const QVector<QVector<double>> &keys)
{
    const SheetArea used = m_values.usedArea(state);
    const int keyColumn = qMax(used.right, 1) + 1; // 1-based, the first helper column
    const int lastKeyColumn = keyColumn + keys.size() - 1;
    const int count = bottom - top + 1;
    if (keys.isEmpty() || lastKeyColumn > kMaxSortColumn || top < 1 || bottom < top || bottom > used.bottom)
        return false;
    for (const QVector<double> &key : keys)
        if (key.size() != count)
            return false;

    const bool ok = guarded(m_context.session(), [&]() -> bool {
        if (holdsMergedCells(state.sheet, top, bottom, keyColumn - 1))
            return false;
        uno::Sequence<uno::Sequence<uno::Any>> data(count);
        for (int i = 0; i < count; ++i) {
            data.getArray()[i].realloc(keys.size());
            for (int k = 0; k < keys.size(); ++k)
                data.getArray()[i].getArray()[k] <<= keys.at(k).at(i);
        }
        uno::Reference<table::XCellRange> helpers
            = state.sheet->getCellRangeByPosition(keyColumn - 1, top - 1, lastKeyColumn - 1, bottom - 1);
        uno::Reference<sheet::XCellRangeData>(helpers, uno::UNO_QUERY_THROW)->setDataArray(data);

        uno::Sequence<table::TableSortField> fields(keys.size());
        for (int k = 0; k < keys.size(); ++k) {
            fields.getArray()[k].Field = keyColumn - 1 + k;
            fields.getArray()[k].IsAscending = true;
        }
        uno::Reference<util::XSortable> sortable(
            state.sheet->getCellRangeByPosition(0, top - 1, lastKeyColumn - 1, bottom - 1), uno::UNO_QUERY_THROW);
        sortable->sort(props({
            prop("SortFields", uno::Any(fields)),
            prop("ContainsHeader", uno::Any(false)),
            prop("IsSortColumns", uno::Any(false)),
            prop("BindFormatsToContent", uno::Any(true)),
        }));

        uno::Reference<sheet::XSheetOperation> clear(helpers, uno::UNO_QUERY_THROW);
        clear->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME | sheet::CellFlags::STRING
                             | sheet::CellFlags::FORMULA | sheet::CellFlags::HARDATTR | sheet::CellFlags::EDITATTR);
        return true;
    }, false);
    state.forgetReads();
    m_values.invalidateValues();
    return ok;
}
