#include "Book.h"

#include "CalcFormulaSyntax.h"
#include "FormulaNotation.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "PackageFinishing.h"
#include "SamePlace.h"
#include "ScriptFonts.h"
#include "SheetNames.h"
#include "SourceStructureLock.h"
#include "UnoProps.h"
#include "UnoText.h"
#include "XlsFinishing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <QUrl>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/AddressConvention.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/util/CellProtection.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XCellSeries.hpp>
#include <com/sun/star/sheet/FillDirection.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XSortable.hpp>
#include <com/sun/star/table/TableSortField.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/types.h>

using namespace css;

namespace {

constexpr int kBlockRows = 4096;

// Deletions of at least this many separate blocks of rows are made by sorting.
constexpr int kSortRuns = 3;
// The office's last column (1-based); the helper columns of a sort must fit.
constexpr int kMaxSortColumn = 1024;

// Blocks of at least this many rows are written by filling down.
constexpr int kFillRows = 16;

// The office's reference style that reads both "Sheet.A1" and "Sheet!A1".
constexpr sal_Int16 kCalcOrExcelA1 = 7;

QVariant fromAny(const uno::Any &any)
{
    switch (any.getValueTypeClass()) {
    case uno::TypeClass_STRING: {
        const QString text = qs(any.get<rtl::OUString>());
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case uno::TypeClass_DOUBLE:
        return any.get<double>();
    case uno::TypeClass_LONG:
        return double(any.get<sal_Int32>());
    case uno::TypeClass_BOOLEAN:
        return any.get<bool>();
    default:
        return QVariant();
    }
}

const char *filterFor(int fileFormat)
{
    switch (fileFormat) {
    case 51: return "Calc MS Excel 2007 XML";
    case 52: return "Calc MS Excel 2007 VBA XML";
    case 56: return "MS Excel 97";
    default: return nullptr;
    }
}

} // namespace

// Errors the office reports for formula text it could not read (as opposed to
// errors a formula computes, such as #N/A).
bool isSyntaxError(sal_Int32 error)
{
    switch (error) {
    case 501: // invalid character
    case 504: // error in parameter list
    case 507: // missing pair
    case 508: // missing bracket
    case 509: // missing operator
    case 510: // missing variable
    case 511: // missing variable
    case 512: // formula overflow
        return true;
    default:
        return false;
    }
}

Book::Book(OfficeSession &session, uno::Reference<sheet::XSpreadsheetDocument> document, QString sourcePath)
    : m_session(session)
    , m_document(std::move(document))
    , m_sourcePath(std::move(sourcePath))
    , m_unbuffered(qEnvironmentVariableIntValue("SHEETSPLICER_UNBUFFERED") != 0)
{
    // Undo is never used, and nothing is shown: keep both out of every call.
    guarded(m_session, [&]() -> bool {
        uno::Reference<document::XUndoManagerSupplier> undo(m_document, uno::UNO_QUERY);
        if (undo.is())
            undo->getUndoManager()->lock();
        uno::Reference<frame::XModel> model(m_document, uno::UNO_QUERY);
        if (model.is())
            model->lockControllers();
        uno::Reference<beans::XPropertySet> settings(m_document, uno::UNO_QUERY);
        if (settings.is()) {
            // No undo copies of deleted rows, no row heights fitted after each write.
            settings->setPropertyValue("IsUndoEnabled", uno::Any(false));
            settings->setPropertyValue("IsAdjustHeightEnabled", uno::Any(false));
        }
        // INDIRECT("Sheet!A1") reads Excel's reference style in this document
        // whatever format it came from, as it does in Excel.
        uno::Reference<lang::XMultiServiceFactory> factory(m_document, uno::UNO_QUERY);
        uno::Reference<beans::XPropertySet> documentSettings(
            factory.is() ? factory->createInstance("com.sun.star.document.Settings") : uno::Reference<uno::XInterface>(),
            uno::UNO_QUERY);
        if (documentSettings.is())
            documentSettings->setPropertyValue("SyntaxStringRef", uno::Any(kCalcOrExcelA1));
        return true;
    }, false);
    m_sourceSheetNames = sheetNames();
    // Before any copy is made, so that copies carry the fonts too.
    guarded(m_session, [&]() -> bool {
        ScriptFonts::matchToWestern(m_document);
        return true;
    }, false);
}

Book::~Book()
{
    close();
}

std::shared_ptr<SheetState> Book::stateOf(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    if (!sheet.is())
        return nullptr;
    // UNO keeps one XInterface per object, also across the bridge: its
    // address names the sheet whatever handle it came through.
    const uno::Reference<uno::XInterface> identity(sheet, uno::UNO_QUERY);
    const void *key = identity.get();
    if (auto found = m_states.value(key))
        return found;
    auto state = std::make_shared<SheetState>();
    state->sheet = sheet;
    state->identity = identity;
    m_states.insert(key, state);
    return state;
}

QStringList Book::sheetNames()
{
    return guarded(m_session, [&]() -> QStringList {
        QStringList names;
        for (const rtl::OUString &name : m_document->getSheets()->getElementNames())
            names << qs(name);
        if (m_grouped)
            for (const GroupedPart &part : m_grouped->parts)
                names.removeOne(part.name);
        return names;
    }, QStringList());
}

// The caller's order is read from the office once; after that every change
// goes through this class and is noted in both orders.
bool Book::knowOrder()
{
    if (m_order.known())
        return true;
    if (m_closed)
        return false;
    return guarded(m_session, [&]() -> bool {
        uno::Reference<container::XIndexAccess> sheets(m_document->getSheets(), uno::UNO_QUERY_THROW);
        QVector<SheetOrder::Key> keys;
        const sal_Int32 count = sheets->getCount();
        for (sal_Int32 i = 0; i < count; ++i) {
            auto state = stateOf(uno::Reference<sheet::XSpreadsheet>(sheets->getByIndex(i), uno::UNO_QUERY_THROW));
            if (!isGroupedPart(*state))
                keys << state->identity.get();
        }
        m_order.reset(keys);
        return true;
    }, false);
}

std::shared_ptr<SheetState> Book::sheetAt(int index)
{
    if (index < 0 || m_closed || !knowOrder() || index >= m_order.count())
        return nullptr;
    return m_states.value(m_order.at(index));
}

int Book::sheetCount()
{
    if (m_closed || !knowOrder())
        return -1;
    return m_order.count();
}

int Book::indexOf(const SheetState &state)
{
    if (m_closed || !knowOrder())
        return -1;
    return m_order.indexOf(state.identity.get());
}

int Book::tabOf(const SheetState &state)
{
    return guarded(m_session, [&]() -> int {
        uno::Reference<sheet::XCellRangeAddressable> addressable(state.sheet, uno::UNO_QUERY_THROW);
        return addressable->getRangeAddress().Sheet;
    }, -1);
}

int Book::tabAfterSourceSheets()
{
    return guarded(m_session, [&]() -> int {
        const uno::Sequence<rtl::OUString> names = m_document->getSheets()->getElementNames();
        int after = -1;
        for (sal_Int32 i = 0; i < names.getLength(); ++i)
            if (m_sourceSheetNames.contains(qs(names[i])))
                after = i + 1;
        return after;
    }, -1);
}

std::shared_ptr<SheetState> Book::copySheet(SheetState &source, SheetState &before)
{
    const int index = indexOf(before);
    const QString sourceName = nameOf(source);
    if (index < 0 || sourceName.isNull())
        return nullptr;
    flushFormulas();
    // Cell-by-cell mode puts the copy where Excel does at once, so the two
    // ways can be compared. Otherwise the office makes it right after the
    // workbook's own sheets, ahead of earlier copies, where the caller's
    // order ends up putting it (so saving moves nothing): inside a range over
    // several of the user's sheets, its rows' deletion would break the
    // range, and it would be counted in.
    const int tab = m_unbuffered ? tabOf(before) : tabAfterSourceSheets();
    if (tab < 0 || (!m_unbuffered && tab == 0))
        return nullptr;
    const QString copyName = copiedSheetName(sourceName, sheetNames());
    // While the source has a grouped source, the copy waits for what is
    // done to it (see GroupedSource.cpp).
    auto copy = deferredCopy(source, copyName, tab, index);
    if (!copy) {
        copy = insertSheet(copyName, tab, index, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
            sheets->copyByName(ou(sourceName), ou(copyName), static_cast<sal_Int16>(tab));
        });
    }
    if (!copy)
        return nullptr;
    copy->copiedFrom = m_states.value(source.identity.get());
    copy->sourceVersionAtCopy = source.version;
    copy->versionAtCopy = copy->version;
    return copy;
}

// A sheet the office makes at `tab`, named `name`, noted at `index` in the
// caller's order.
std::shared_ptr<SheetState> Book::insertSheet(const QString &name, int tab, int index,
                                              const std::function<void(const uno::Reference<sheet::XSpreadsheets> &)> &make)
{
    const int hiddenBefore = groupedPartsBefore(tab);
    auto made = guarded(m_session, [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_document->getSheets();
        make(sheets);
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    invalidateValues();
    if (!made.is()) {
        m_order.forget(); // the office's order is read again when next needed
        return nullptr;
    }
    auto state = stateOf(made);
    m_order.inserted(state->identity.get(), tab - hiddenBefore, index);
    return state;
}

bool Book::moveSheet(SheetState &sheet, SheetState &before)
{
    if (indexOf(sheet) < 0 || indexOf(before) < 0)
        return false;
    m_order.movedBefore(sheet.identity.get(), before.identity.get());
    return !m_unbuffered || alignSheetOrder();
}

std::shared_ptr<SheetState> Book::addSheetFirst(const QString &name)
{
    if (m_closed || !knowOrder())
        return nullptr;
    flushFormulas();
    return insertSheet(name, 0, 0, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
        sheets->insertNewByName(ou(name), 0);
    });
}

// The office gets the caller's order before anything that shows it.
bool Book::alignSheetOrder()
{
    materializeAll();
    dropGroupedSource(); // the office's order is then the one the orders hold
    if (!m_order.known() || m_order.inStep())
        return true;
    const QVector<SheetOrder::Move> moves = m_order.alignOffice();
    const bool ok = guarded(m_session, [&]() -> bool {
        uno::Reference<sheet::XSpreadsheets> sheets = m_document->getSheets();
        for (const SheetOrder::Move &move : moves) {
            const auto state = m_states.value(move.key);
            uno::Reference<container::XNamed> named(state->sheet, uno::UNO_QUERY_THROW);
            sheets->moveByName(named->getName(), static_cast<sal_Int16>(move.to));
        }
        return true;
    }, false);
    if (!ok)
        m_order.forget();
    invalidateValues();
    return ok;
}

QString Book::nameOf(const SheetState &state)
{
    return guarded(m_session, [&]() -> QString {
        uno::Reference<container::XNamed> named(state.sheet, uno::UNO_QUERY_THROW);
        return qs(named->getName());
    }, QString());
}

// Calculation is off while the job writes; values are brought up to date
// once, when something reads them or the file is saved.
void Book::calculateIfNeeded()
{
    if (!m_needsCalculation)
        return;
    m_needsCalculation = false;
    guarded(m_session, [&]() -> bool {
        uno::Reference<sheet::XCalculatable> calc(m_document, uno::UNO_QUERY_THROW);
        calc->calculate();
        return true;
    }, false);
}

void Book::invalidateValues()
{
    // From the first change on, formulas are computed once, before saving or
    // reading, not after every write.
    if (m_automaticCalculation && qEnvironmentVariableIntValue("SHEETSPLICER_AUTOCALC") == 0) {
        m_automaticCalculation = false;
        guarded(m_session, [&]() -> bool {
            uno::Reference<sheet::XCalculatable>(m_document, uno::UNO_QUERY_THROW)->enableAutomaticCalculation(false);
            return true;
        }, false);
    }
    m_needsCalculation = true;
    for (const auto &state : m_states) {
        state->valuesValid = false;
        state->valueBlocks.clear();
    }
}

SheetArea Book::readUsedArea(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
    uno::Reference<sheet::XUsedAreaCursor> used(cursor, uno::UNO_QUERY_THROW);
    used->gotoStartOfUsedArea(false);
    used->gotoEndOfUsedArea(true);
    uno::Reference<sheet::XCellRangeAddressable> addressable(cursor, uno::UNO_QUERY_THROW);
    const table::CellRangeAddress a = addressable->getRangeAddress();
    return SheetArea{a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1};
}

void Book::loadUsedArea(SheetState &state)
{
    if (state.valuesValid)
        return;
    state.valueBlocks.clear();
    state.empty = true;
    state.valueArea = SheetArea{1, 1, 1, 1};
    const bool ok = guarded(m_session, [&]() -> bool {
        state.valueArea = readUsedArea(state.sheet);
        return true;
    }, false);
    state.empty = !ok;
    state.valuesValid = ok;
}

SheetArea Book::usedArea(SheetState &state)
{
    if (state.deferred)
        return usedArea(contentOf(state));
    loadUsedArea(state);
    return state.valueArea;
}

const QVector<QVariant> *Book::valueBlock(SheetState &state, int block)
{
    auto found = state.valueBlocks.constFind(block);
    if (found != state.valueBlocks.constEnd())
        return &found.value();
    calculateIfNeeded();
    const SheetArea &area = state.valueArea;
    const int top = area.top + block * kBlockRows;
    const int bottom = qMin(area.bottom, top + kBlockRows - 1);
    if (top > bottom)
        return nullptr;
    QVector<QVariant> values;
    const int width = area.columns();
    const bool ok = guarded(m_session, [&]() -> bool {
        uno::Reference<table::XCellRange> range = state.sheet->getCellRangeByPosition(
            area.left - 1, top - 1, area.right - 1, bottom - 1);
        uno::Reference<sheet::XCellRangeData> data(range, uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<uno::Any>> rows = data->getDataArray();
        values.resize((bottom - top + 1) * width);
        for (sal_Int32 r = 0; r < rows.getLength(); ++r) {
            const uno::Sequence<uno::Any> &row = rows[r];
            for (sal_Int32 c = 0; c < row.getLength() && c < width; ++c)
                values[r * width + c] = fromAny(row[c]);
        }
        return true;
    }, false);
    if (!ok)
        return nullptr;
    return &state.valueBlocks.insert(block, values).value();
}

QVariant Book::valueAt(SheetState &state, int row, int column)
{
    if (state.deferred)
        return valueAt(contentOf(state), row, column);
    if (m_unbuffered) {
        calculateIfNeeded();
        return guarded(m_session, [&]() -> QVariant {
            uno::Reference<sheet::XCellRangeData> cell(
                state.sheet->getCellRangeByPosition(column - 1, row - 1, column - 1, row - 1), uno::UNO_QUERY_THROW);
            return fromAny(cell->getDataArray()[0][0]);
        }, QVariant());
    }
    loadUsedArea(state);
    if (!state.valuesValid || !state.valueArea.contains(row, column))
        return QVariant();
    const int block = (row - state.valueArea.top) / kBlockRows;
    const QVector<QVariant> *values = valueBlock(state, block);
    if (!values)
        return QVariant();
    const int r = (row - state.valueArea.top) % kBlockRows;
    return values->value(r * state.valueArea.columns() + (column - state.valueArea.left));
}

// Excel's current region: the block around the cell bounded by empty rows
// and columns, as the office finds it in one call. Like Excel, it counts a
// formula that shows nothing as data.
SheetArea Book::currentRegion(SheetState &state, int row, int column)
{
    if (state.deferred)
        return currentRegion(contentOf(state), row, column);
    const SheetArea start{row, column, row, column};
    return guarded(m_session, [&]() -> SheetArea {
        uno::Reference<sheet::XSheetCellRange> cell(
            state.sheet->getCellRangeByPosition(column - 1, row - 1, column - 1, row - 1), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetCellCursor> cursor = state.sheet->createCursorByRange(cell);
        cursor->collapseToCurrentRegion();
        uno::Reference<sheet::XCellRangeAddressable> addressable(cursor, uno::UNO_QUERY_THROW);
        const table::CellRangeAddress a = addressable->getRangeAddress();
        return SheetArea{a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1};
    }, start);
}

// One column's values: from the values already read, or with one call that
// reads that column alone.
QVector<QVariant> Book::columnValues(SheetState &state, int column, int top, int bottom)
{
    if (state.deferred)
        return columnValues(contentOf(state), column, top, bottom);
    QVector<QVariant> values;
    if (bottom < top)
        return values;
    if (m_unbuffered || (state.valuesValid && !state.valueBlocks.isEmpty())) {
        values.reserve(bottom - top + 1);
        for (int row = top; row <= bottom; ++row)
            values << valueAt(state, row, column);
        return values;
    }
    const std::optional<SheetState::ColumnRead> &last = state.lastColumnRead;
    if (last && last->column == column && last->top == top && last->bottom == bottom && last->version == state.version)
        return last->values;
    values.resize(bottom - top + 1);
    // A column without formulas reads the same before calculation and after.
    const bool hasFormulas = guarded(m_session, [&]() -> bool {
        uno::Reference<sheet::XCellRangesQuery> query(
            state.sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1), uno::UNO_QUERY_THROW);
        return query->queryContentCells(sheet::CellFlags::FORMULA)->getCount() > 0;
    }, true);
    if (hasFormulas)
        calculateIfNeeded();
    const bool ok = guarded(m_session, [&]() -> bool {
        uno::Reference<sheet::XCellRangeData> data(
            state.sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1), uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<uno::Any>> rows = data->getDataArray();
        for (sal_Int32 r = 0; r < rows.getLength() && r < values.size(); ++r)
            if (rows[r].getLength() > 0)
                values[r] = fromAny(rows[r][0]);
        return true;
    }, false);
    if (!hasFormulas && ok)
        state.lastColumnRead = SheetState::ColumnRead{column, top, bottom, state.version, values};
    return values;
}

QString Book::excelFormulaAt(SheetState &state, int row, int column)
{
    if (state.deferred)
        return excelFormulaAt(contentOf(state), row, column);
    return guarded(m_session, [&]() -> QString {
        uno::Reference<table::XCell> cell = state.sheet->getCellByPosition(column - 1, row - 1);
        if (cell->getType() != table::CellContentType_FORMULA)
            return qs(cell->getFormula());
        // Print the formula in Excel's own syntax.
        uno::Reference<lang::XMultiServiceFactory> factory(m_document, uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XFormulaParser> parser(
            factory->createInstance("com.sun.star.sheet.FormulaParser"), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> parserProps(parser, uno::UNO_QUERY_THROW);
        parserProps->setPropertyValue("FormulaConvention", uno::Any(sheet::AddressConvention::XL_A1));
        parserProps->setPropertyValue("CompileEnglish", uno::Any(true));
        uno::Reference<sheet::XFormulaTokens> tokens(cell, uno::UNO_QUERY_THROW);
        table::CellAddress position(static_cast<sal_Int16>(tabOf(state)), column - 1, row - 1);
        QString text = qs(parser->printFormula(tokens->getTokens(), position));
        if (!text.startsWith('='))
            text.prepend('=');
        return text;
    }, QString());
}

bool Book::deleteRows(SheetState &state, const QList<SheetArea> &rows)
{
    // A stand-in is made from the grouped source when the rows kept fit it;
    // else it becomes a whole copy first.
    const std::optional<bool> fromGrouped = materializeForDelete(state, rows);
    materialize(state);
    bool ok = false;
    if (fromGrouped) {
        ok = *fromGrouped;
    } else {
        const bool manyRuns = !m_unbuffered && rows.size() >= kSortRuns;
        // The first delete on a fresh, filtered copy also makes the grouped
        // source that later copies come from.
        groupSourceOf(state, rows);
        ok = (manyRuns && sortAwayRows(state, rows)) || deleteRowBlocks(state, rows);
    }
    if (ok)
        refillBottomRows(state, rows);
    ++state.version;
    state.filterActive = false;
    state.hiddenRows.clear();
    invalidateValues();
    return ok;
}

// Bottom-up, so the row numbers still to come stay where they were.
bool Book::deleteRowBlocks(SheetState &state, const QList<SheetArea> &rows)
{
    QList<SheetArea> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), [](const SheetArea &a, const SheetArea &b) { return a.top > b.top; });
    return guarded(m_session, [&]() -> bool {
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
void Book::refillBottomRows(SheetState &state, const QList<SheetArea> &deleted)
{
    int count = 0;
    for (const SheetArea &a : deleted)
        count += a.rows();
    guarded(m_session, [&]() -> bool {
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

// Many scattered rows go in three calls instead of one call a block: the
// rows to delete are sorted, stably, below the rows to keep and then deleted
// as one block. The office moves every cell's formatting with it and, with
// UpdateReferenceOnSort, every reference follows the cell it names, so the
// result is the one deleting block by block gives. Not for rows with merged
// cells, which a sort cannot move.
bool Book::sortAwayRows(SheetState &state, const QList<SheetArea> &rows)
{
    int top = kSheetRows;
    int bottom = 0;
    for (const SheetArea &a : rows) {
        top = qMin(top, a.top);
        bottom = qMax(bottom, a.bottom);
    }
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
    return guarded(m_session, [&]() -> bool {
        uno::Reference<table::XColumnRowRange> columnsRows(state.sheet, uno::UNO_QUERY_THROW);
        columnsRows->getRows()->removeByIndex(top - 1 + kept, count - kept);
        return true;
    }, false);
}

// Sorts the rows from `top` to `bottom`, whole, by the keys (one column of
// numbers each, one number a row), which go into helper columns right of the
// used area for the sort and are cleared after it.
bool Book::sortBlockRows(SheetState &state, int top, int bottom, const QVector<QVector<double>> &keys)
{
    const SheetArea used = usedArea(state);
    const int keyColumn = qMax(used.right, 1) + 1; // 1-based, the first helper column
    const int lastKeyColumn = keyColumn + keys.size() - 1;
    const int count = bottom - top + 1;
    if (keys.isEmpty() || lastKeyColumn > kMaxSortColumn || top < 1 || bottom < top || bottom > used.bottom)
        return false;
    for (const QVector<double> &key : keys)
        if (key.size() != count)
            return false;

    const bool ok = guarded(m_session, [&]() -> bool {
        uno::Reference<util::XMergeable> mergeable(
            state.sheet->getCellRangeByPosition(0, top - 1, keyColumn - 2, bottom - 1), uno::UNO_QUERY_THROW);
        if (mergeable->getIsMerged())
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
    state.lastColumnRead.reset();
    invalidateValues();
    return ok;
}

uno::Reference<beans::XPropertySet> Book::propertiesOf(SheetState &state, const QList<SheetArea> &areas)
{
    if (areas.size() == 1) {
        const SheetArea &a = areas.first();
        return uno::Reference<beans::XPropertySet>(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), uno::UNO_QUERY_THROW);
    }
    uno::Reference<lang::XMultiServiceFactory> factory(m_document, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetCellRangeContainer> container(
        factory->createInstance("com.sun.star.sheet.SheetCellRanges"), uno::UNO_QUERY_THROW);
    const sal_Int16 tab = static_cast<sal_Int16>(tabOf(state));
    for (const SheetArea &a : areas)
        container->addRangeAddress(table::CellRangeAddress(tab, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), false);
    return uno::Reference<beans::XPropertySet>(container, uno::UNO_QUERY_THROW);
}

void Book::flushFormulas()
{
    for (const auto &state : m_states)
        flushFormulasOf(*state);
}

void Book::flushFormulasOf(SheetState &state)
{
    if (!state.pendingR1C1.isEmpty())
        flushSheet(state);
    flushProtectionOf(state);
}

void Book::flushProtectionOf(SheetState &state)
{
    if (!state.pendingProtection)
        return;
    const QString password = *state.pendingProtection;
    state.pendingProtection.reset();
    protectSheet(state, password);
}

// Formulas that look up other sheets through INDIRECT are recalculated on
// every change to any cell of the workbook, each change costing time that
// grows with their number. A sheet protected while its formulas still wait
// is protected when they are sent, so its many formulas enter the workbook
// after the writes to the other sheets, not before them. The sheet is
// protected as soon as anything reads it, writes to it, or the file is saved.
bool Book::protectSheet(SheetState &state, const QString &password)
{
    const bool protectedNow = guarded(m_session, [&]() -> bool {
        return uno::Reference<util::XProtectable>(state.sheet, uno::UNO_QUERY_THROW)->isProtected();
    }, true);
    if (!m_unbuffered && !protectedNow && !state.pendingR1C1.isEmpty()) {
        state.pendingProtection = password;
        return true;
    }
    if (!state.pendingR1C1.isEmpty())
        flushSheet(state);
    return guarded(m_session, [&]() -> bool {
        uno::Reference<util::XProtectable> protectable(state.sheet, uno::UNO_QUERY_THROW);
        if (protectable->isProtected())
            protectable->unprotect(ou(password));
        protectable->protect(ou(password));
        return true;
    }, false);
}

std::optional<bool> Book::sheetProtected(SheetState &state)
{
    if (m_closed)
        return std::nullopt;
    // A stand-in is protected as its source is; a waiting Protect counts.
    SheetState &content = contentOf(state);
    if (content.pendingProtection)
        return true;
    return guarded(m_session, [&]() -> std::optional<bool> {
        return uno::Reference<util::XProtectable>(content.sheet, uno::UNO_QUERY_THROW)->isProtected();
    }, std::optional<bool>());
}

// Waiting R1C1 formulas go out as rectangles of one formula each: every cell's
// own A1 text, one call per rectangle.
void Book::flushSheet(SheetState &state)
{
    struct Block
    {
        SheetArea area;
        QString formula;
    };
    QList<Block> done;
    QHash<QString, QList<int>> open; // key: left,right,formula -> indexes into done
    QList<Block> runs;
    // Row runs of one formula.
    for (auto it = state.pendingR1C1.constBegin(); it != state.pendingR1C1.constEnd(); ++it) {
        const int row = it.key().first;
        const int column = it.key().second;
        if (!runs.isEmpty()) {
            Block &last = runs.last();
            if (last.area.top == row && last.area.right + 1 == column && last.formula == it.value()) {
                ++last.area.right;
                continue;
            }
        }
        runs << Block{SheetArea{row, column, row, column}, it.value()};
    }
    state.pendingR1C1.clear();
    // Stack runs of the same columns and formula into rectangles.
    QHash<QString, int> growing;
    for (const Block &run : runs) {
        const QString key = QStringLiteral("%1,%2,").arg(run.area.left).arg(run.area.right) + run.formula;
        const auto found = growing.constFind(key);
        if (found != growing.constEnd() && done[found.value()].area.bottom + 1 == run.area.top) {
            ++done[found.value()].area.bottom;
            continue;
        }
        growing.insert(key, done.size());
        done << run;
    }
    Q_UNUSED(open);
    for (const Block &block : done) {
        if (block.area.rows() >= kFillRows)
            writeByFill(state, block.area, block.formula);
        else
            writeCellByCell(state, block.area, block.formula);
    }
    invalidateValues();
}

// Each cell's own A1 text, in the office's syntax.
static rtl::OUString calcFormulaAt(const QString &r1c1, int row, int column)
{
    const QString excel = r1c1ToA1(r1c1, row, column);
    return ou(excel.startsWith('=') ? excelToCalcFormula(excel) : excel);
}

void Book::writeCellByCell(SheetState &state, const SheetArea &a, const QString &formula)
{
    uno::Sequence<uno::Sequence<rtl::OUString>> texts(a.rows());
    auto *rows = texts.getArray();
    for (int r = 0; r < a.rows(); ++r) {
        rows[r].realloc(a.columns());
        auto *cells = rows[r].getArray();
        for (int c = 0; c < a.columns(); ++c)
            cells[c] = calcFormulaAt(formula, a.top + r, a.left + c);
    }
    guarded(m_session, [&]() -> bool {
        uno::Reference<table::XCellRange> cells
            = state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        uno::Reference<sheet::XCellRangeFormula> range(cells, uno::UNO_QUERY_THROW);
        const auto before = range->getFormulaArray();
        range->setFormulaArray(texts);
        // One formula for the whole block: if the office cannot read it in
        // the first cell, it cannot anywhere; the cells stay as they were.
        if (isSyntaxError(cells->getCellByPosition(0, 0)->getError()))
            range->setFormulaArray(before);
        return true;
    }, false);
}

// A tall block gets its first row written and filled down: the office then
// shares one formula among the column's cells instead of joining them one by
// one, which costs time with the square of the rows. Filling copies the first
// row's formatting too, so the block's own formatting is put back afterwards.
void Book::writeByFill(SheetState &state, const SheetArea &a, const QString &formula)
{
    uno::Sequence<uno::Sequence<rtl::OUString>> firstRow(1);
    firstRow.getArray()[0].realloc(a.columns());
    for (int c = 0; c < a.columns(); ++c)
        firstRow.getArray()[0].getArray()[c] = calcFormulaAt(formula, a.top, a.left + c);

    guarded(m_session, [&]() -> bool {
        uno::Reference<table::XCellRange> block
            = state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        const KeptFormats kept = keepFormats(block, a);

        uno::Reference<sheet::XCellRangeFormula> top(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.top - 1), uno::UNO_QUERY_THROW);
        const auto before = top->getFormulaArray();
        top->setFormulaArray(firstRow);
        if (isSyntaxError(block->getCellByPosition(0, 0)->getError())) {
            top->setFormulaArray(before);
            return false;
        }
        uno::Reference<sheet::XCellSeries> series(block, uno::UNO_QUERY_THROW);
        series->fillAuto(sheet::FillDirection_TO_BOTTOM, 1);
        restoreFormats(kept);
        return true;
    }, false);
}

Book::KeptFormats Book::keepFormats(const uno::Reference<table::XCellRange> &block, const SheetArea &a)
{
    KeptFormats kept;
    uno::Reference<sheet::XUniqueCellFormatRangesSupplier> supplier(block, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> unique = supplier->getUniqueCellFormatRanges();
    QList<uno::Reference<sheet::XSheetCellRanges>> groups;
    bool byColumn = true;
    for (sal_Int32 i = 0; i < unique->getCount(); ++i) {
        uno::Reference<sheet::XSheetCellRanges> group(unique->getByIndex(i), uno::UNO_QUERY_THROW);
        for (const table::CellRangeAddress &address : group->getRangeAddresses())
            if (address.StartRow != a.top - 1 || address.EndRow != a.bottom - 1)
                byColumn = false;
        groups << group;
    }
    // Formatting that only changes from column to column survives the fill.
    if (byColumn)
        return kept;
    kept.names = formatPropertyNames(block);
    for (const auto &group : groups) {
        uno::Reference<beans::XMultiPropertySet> properties(group, uno::UNO_QUERY_THROW);
        kept.groups.push_back({properties, properties->getPropertyValues(kept.names)});
    }
    return kept;
}

void Book::restoreFormats(const KeptFormats &kept)
{
    for (const auto &group : kept.groups) {
        try {
            group.first->setPropertyValues(kept.names, group.second);
        } catch (const lang::DisposedException &) {
            throw;
        } catch (const uno::Exception &) {
            // One group that cannot be put back leaves the others as they are.
        }
    }
}

// The cell properties that make up a cell's formatting and that a fill copies,
// sorted by name as setPropertyValues wants them.
uno::Sequence<rtl::OUString> Book::formatPropertyNames(const uno::Reference<table::XCellRange> &block)
{
    if (m_formatNames.hasElements())
        return m_formatNames;
    static const QSet<QString> skipped = {
        // Conditional formats and validity are ranges of their own, not copied by value.
        "ConditionalFormat", "ConditionalFormatLocal", "ConditionalFormatXML",
        "Validation", "ValidationLocal", "ValidationXML",
        // Other views of the same borders, and things that are not formatting.
        "TableBorder", "TableBorder2", "TopBorder", "BottomBorder", "LeftBorder", "RightBorder",
        "DiagonalTLBR", "DiagonalBLTR", "ChartColumnAsLabel", "ChartRowAsLabel", "FormatID",
        "NumberingRules", "UserDefinedAttributes", "CharFont",
    };
    uno::Reference<beans::XPropertySet> properties(block, uno::UNO_QUERY_THROW);
    QStringList names;
    for (const beans::Property &property : properties->getPropertySetInfo()->getProperties()) {
        const QString name = qs(property.Name);
        if (!(property.Attributes & beans::PropertyAttribute::READONLY) && !skipped.contains(name))
            names << name;
    }
    std::sort(names.begin(), names.end());
    m_formatNames.realloc(names.size());
    for (int i = 0; i < names.size(); ++i)
        m_formatNames.getArray()[i] = ou(names.at(i));
    return m_formatNames;
}

void Book::requestStructureLock(const QString &password)
{
    m_lockStructure = true;
    m_structurePassword = password;
    // Written by the office itself in .xls; completed in the package for .xlsx.
    guarded(m_session, [&]() -> bool {
        uno::Reference<util::XProtectable> protectable(m_document, uno::UNO_QUERY_THROW);
        if (!protectable->isProtected())
            protectable->protect(ou(password));
        return true;
    }, false);
}

std::optional<bool> Book::structureProtected()
{
    if (m_closed)
        return std::nullopt;
    const std::optional<bool> office = guarded(m_session, [&]() -> std::optional<bool> {
        return uno::Reference<util::XProtectable>(m_document, uno::UNO_QUERY_THROW)->isProtected();
    }, std::optional<bool>());
    if (!office || *office)
        return office;
    // The office drops an .xlsx's structure protection when loading it.
    if (!m_sourceLocksStructure)
        m_sourceLocksStructure = fileLocksStructure(m_sourcePath);
    return *m_sourceLocksStructure;
}

void Book::requestOpenPassword(const QString &password)
{
    m_encrypt = !password.isEmpty();
    m_openPassword = password;
}

void Book::addEditRange(const std::shared_ptr<SheetState> &sheet, const QList<SheetArea> &areas)
{
    if (m_sourcePath.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)) {
        // .xls keeps no editable ranges: the cells are left unlocked instead.
        flushProtectionOf(*sheet);
        guarded(m_session, [&]() -> bool {
            uno::Reference<beans::XPropertySet> props = propertiesOf(*sheet, areas);
            util::CellProtection protection;
            props->getPropertyValue("CellProtection") >>= protection;
            protection.IsLocked = false;
            props->setPropertyValue("CellProtection", uno::Any(protection));
            return true;
        }, false);
        return;
    }
    m_editRanges << EditRange{sheet, areas};
}

bool Book::saveAs(const QString &path, int fileFormat)
{
    // Why a save gives up goes to the log: the user sees one text for all.
    const auto refuse = [&path](const char *why) {
        qCWarning(officeLog) << "not saved as" << path << ":" << why;
        return false;
    };
    const char *filter = filterFor(fileFormat);
    if (!filter || m_closed || path.isEmpty())
        return refuse("no file format, no path, or the workbook is closed");
    const QFileInfo target(path);
    if (target.isDir())
        return refuse("a folder has that name");
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return refuse("the folder does not exist");
    // The source stays as it was: a result never replaces it.
    if (isSamePlace(target.absoluteFilePath(), m_sourcePath))
        return refuse("that is the source workbook");
    // Stand-ins become copies, and the grouped source goes, before anything
    // is written.
    materializeAll();
    dropGroupedSource();
    flushFormulas();
    if (!alignSheetOrder())
        return refuse("the sheets could not be put in order");

    // Written beside the target and renamed over it only when complete.
    // The office writes into the session's private folder (with its own
    // scratch files); only the finished file comes into the target's folder,
    // as a hidden part that is renamed over the target when complete.
    const QString scratch = m_session.scratchFolder();
    if (scratch.isEmpty())
        return refuse("the office session has no scratch folder");
    // The hidden part beside the target is reserved first, so an unwritable
    // folder shows before the office spends time on the file.
    QString partPath;
    {
        QTemporaryFile part(folder.absoluteFilePath(QStringLiteral(".%1.XXXXXX.part").arg(target.completeBaseName())));
        part.setAutoRemove(false);
        if (!part.open())
            return refuse("the folder cannot be written");
        partPath = part.fileName();
    }
    m_session.setPendingFile(partPath);
    const QString stagePath = scratch + QStringLiteral("/result.") + target.suffix().toLower();
    QFile::remove(stagePath);
    const bool stored = guarded(m_session, [&]() -> bool {
        calculateIfNeeded();
        uno::Sequence<beans::PropertyValue> args = props({
            prop("FilterName", uno::Any(rtl::OUString::createFromAscii(filter))),
            prop("Overwrite", uno::Any(true)),
        });
        uno::Reference<frame::XStorable> storable(m_document, uno::UNO_QUERY_THROW);
        storable->storeToURL(ou(QString::fromLatin1(QUrl::fromLocalFile(stagePath).toEncoded())), args);
        return true;
    }, false);
    bool ok = stored && !m_session.lost() && QFileInfo(stagePath).size() > 0;
    if (!ok) {
        refuse(m_session.lost() ? "the office went away while storing" : "the office did not store the file");
    } else if (fileFormat != 56) {
        ok = writePackage(stagePath, fileFormat) || refuse("the stored package could not be finished");
    } else {
        ok = finishXlsResult(m_sourcePath, stagePath, sheetOrigins(), sheetNames());
        // The office encrypts .xls files itself: the finished file goes
        // through it once more. Loaded as it is, its views stay each sheet's.
        if (ok && m_encrypt)
            ok = storeEncryptedXls(stagePath, filter) && keepXlsMacroProject(m_sourcePath, stagePath);
        if (!ok)
            refuse("the stored .xls could not be finished");
    }
    if (ok) {
        QFile::remove(partPath);
        ok = QFile::copy(stagePath, partPath) || refuse("the result could not be copied beside the target");
    }
    if (ok) {
        // The result gets the permissions a new file would get (or those of
        // the file it replaces), not the temporary file's private ones.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat existing;
        const mode_t mode = ::stat(QFile::encodeName(target.absoluteFilePath()).constData(), &existing) == 0
            ? (existing.st_mode & 07777)
            : (0666 & ~mask);
        ::chmod(QFile::encodeName(partPath).constData(), mode);
        ok = std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) == 0
             || refuse("the result could not be renamed over the target");
    }
    if (!ok)
        QFile::remove(partPath);
    m_session.setPendingFile(QString());
    QFile::remove(stagePath);
    return ok;
}

bool Book::storeEncryptedXls(const QString &path, const char *filter)
{
    const QString encrypted = path + QStringLiteral(".encrypted");
    QFile::remove(encrypted);
    const bool stored = guarded(m_session, [&]() -> bool {
        uno::Reference<frame::XComponentLoader> loader(m_session.desktop(), uno::UNO_QUERY_THROW);
        uno::Reference<lang::XComponent> component = loader->loadComponentFromURL(
            ou(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())), "_blank", 0,
            props({prop("Hidden", uno::Any(true)), prop("Silent", uno::Any(true)),
                   prop("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE))}));
        uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY_THROW);
        try {
            // INDIRECT reads Excel's references here too, and its volatile
            // results are computed anew before they are stored.
            uno::Reference<lang::XMultiServiceFactory> factory(component, uno::UNO_QUERY_THROW);
            uno::Reference<beans::XPropertySet>(factory->createInstance("com.sun.star.document.Settings"),
                                                uno::UNO_QUERY_THROW)
                ->setPropertyValue("SyntaxStringRef", uno::Any(kCalcOrExcelA1));
            uno::Reference<sheet::XCalculatable>(component, uno::UNO_QUERY_THROW)->calculateAll();
            uno::Reference<frame::XStorable>(component, uno::UNO_QUERY_THROW)
                ->storeToURL(ou(QString::fromLatin1(QUrl::fromLocalFile(encrypted).toEncoded())),
                             props({prop("FilterName", uno::Any(rtl::OUString::createFromAscii(filter))),
                                    prop("Overwrite", uno::Any(true)),
                                    prop("Password", uno::Any(ou(m_openPassword)))}));
        } catch (...) {
            closeable->close(true);
            throw;
        }
        closeable->close(true);
        return true;
    }, false);
    const bool ok = stored && !m_session.lost() && QFileInfo(encrypted).size() > 0 && QFile::remove(path)
                    && QFile::rename(encrypted, path);
    QFile::remove(encrypted);
    return ok;
}

bool Book::writePackage(const QString &tempPath, int)
{
    ooxml::PackageFinishing what;
    what.lockStructure = m_lockStructure;
    what.structurePassword = m_structurePassword;
    what.encrypt = m_encrypt;
    what.openPassword = m_openPassword;
    for (const EditRange &range : m_editRanges) {
        const QString sheetName = nameOf(*range.sheet);
        if (sheetName.isNull())
            continue;
        ooxml::ProtectedRange pr;
        pr.sheetName = sheetName;
        pr.sqref = areasText(range.areas);
        what.protectedRanges << pr;
    }
    if (m_activeSheet)
        what.activeSheetName = nameOf(*m_activeSheet);
    const QString sourceSuffix = QFileInfo(m_sourcePath).suffix().toLower();
    if (sourceSuffix == QLatin1String("xlsx") || sourceSuffix == QLatin1String("xlsm")) {
        what.sourcePackage = m_sourcePath;
        what.origins = sheetOrigins();
    }
    if (ooxml::isNothingToDo(what))
        return true;
    return ooxml::finishPackage(tempPath, what);
}

QList<ooxml::SheetOrigin> Book::sheetOrigins()
{
    QHash<QString, QString> originOf;
    for (const auto &state : m_states) {
        std::shared_ptr<SheetState> root = state;
        while (auto from = root->copiedFrom.lock())
            root = from;
        const QString rootName = nameOf(*root);
        if (m_sourceSheetNames.contains(rootName))
            originOf.insert(nameOf(*state), rootName);
    }
    QList<ooxml::SheetOrigin> origins;
    for (const QString &name : sheetNames()) {
        if (originOf.contains(name))
            origins.append({name, originOf.value(name)});
        else if (m_sourceSheetNames.contains(name))
            origins.append({name, name});
    }
    return origins;
}

void Book::close()
{
    if (m_closed)
        return;
    m_closed = true;
    guarded(m_session, [&]() -> bool {
        uno::Reference<util::XCloseable> closeable(m_document, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        return true;
    }, false);
    m_states.clear();
}
