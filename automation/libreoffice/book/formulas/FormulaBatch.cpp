#include "FormulaBatch.h"

#include "CellNotes.h"
#include "LookupResults.h"

#include "BookContext.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "CalcFormulaSyntax.h"
#include "FormulaNotation.h"
#include "Guarded.h"
#include "SheetUnlock.h"
#include "UnoText.h"

#include <QSet>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XCellSeries.hpp>
#include <com/sun/star/sheet/FillDirection.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include <algorithm>

using namespace css;

namespace {

// Blocks of at least this many rows are written by filling down.
constexpr int kFillRows = 16;

// Each cell's own A1 text, in the office's syntax.
rtl::OUString calcFormulaAt(const QString &r1c1, int row, int column)
{
    const QString excel = r1c1ToA1(r1c1, row, column);
    return ou(excel.startsWith('=') ? excelToCalcFormula(excel) : excel);
}

} // namespace

void FormulaBatch::flushFormulas()
{
    for (const auto &state : m_sheets.states())
        flushFormulasOf(*state);
    sendHeldLookups(); // of sheets the registry no longer knows
}

void FormulaBatch::flushFormulasHoldingLookups()
{
    // An .xls is saved as one, where the office calculates them anyway.
    if (m_context.sourceIsXls()) {
        flushFormulas();
        return;
    }
    // Blocks stood in for at an earlier save go in as ever.
    while (!m_stoodIn.isEmpty()) {
        const std::shared_ptr<SheetState> state = m_stoodIn.first().sheet.lock();
        if (!state)
            m_stoodIn.removeFirst();
        else if (!sendHeldLookupsOf(*state))
            break;
    }
    for (const auto &state : m_sheets.states()) {
        if (!state->formulas.r1c1.isEmpty())
            flushSheet(*state, true);
        const bool held = std::any_of(m_heldLookups.cbegin(), m_heldLookups.cend(),
                                      [&](const SentLookup &h) { return h.sheet.lock() == state; });
        if (!held)
            flushProtectionOf(*state);
    }
}

bool FormulaBatch::sendHeldLookups()
{
    bool ok = true;
    while (ok && !(m_heldLookups.isEmpty() && m_stoodIn.isEmpty())) {
        QList<SentLookup> &list = m_heldLookups.isEmpty() ? m_stoodIn : m_heldLookups;
        const std::shared_ptr<SheetState> state = list.first().sheet.lock();
        if (!state) {
            list.removeFirst(); // the sheet went: nothing to write to
            continue;
        }
        ok = sendHeldLookupsOf(*state);
        if (ok)
            flushProtectionOf(*state);
    }
    return ok;
}

// In the order they were held; each sent one is then a sent lookup.
bool FormulaBatch::sendHeldLookupsOf(SheetState &state)
{
    bool ok = true;
    bool any = false;
    for (QList<SentLookup> *list : {&m_heldLookups, &m_stoodIn}) {
        // A block stood in for is on a sheet protected since.
        const bool stoodIn = list == &m_stoodIn;
        for (int i = 0; ok && i < list->size();) {
            const SentLookup held = list->at(i);
            if (held.sheet.lock().get() != &state) {
                ++i;
                continue;
            }
            any = true;
            if (stoodIn) {
                bool written = false;
                ok = guarded(m_context.session(), [&]() -> bool {
                    return editUnlocked(state.sheet, m_sheetPasswords,
                                        [&]() { written = writeBlock(state, held.area, held.formula); });
                }, false) && written;
            } else {
                ok = writeBlock(state, held.area, held.formula);
            }
            if (ok) {
                list->removeAt(i);
                m_sentLookups << held;
            }
        }
    }
    if (any)
        m_values.invalidateValues();
    return ok;
}

bool FormulaBatch::standInHeldLookups()
{
    QList<SentLookup> done;
    bool ok = true;
    while (ok && !m_heldLookups.isEmpty()) {
        const SentLookup held = m_heldLookups.takeFirst();
        const std::shared_ptr<SheetState> state = held.sheet.lock();
        if (!state)
            continue; // the sheet went: nothing to write to
        bool written = false;
        ok = guarded(m_context.session(), [&]() -> bool {
            return editUnlocked(state->sheet, m_sheetPasswords,
                                [&]() { written = writeStandIn(*state, held.area, held.formula); });
        }, false) && written;
        if (ok)
            done << held;
        else
            m_heldLookups.prepend(held);
    }
    m_values.invalidateValues();
    if (ok) {
        for (const SentLookup &s : qAsConst(done))
            if (const std::shared_ptr<SheetState> state = s.sheet.lock())
                flushProtectionOf(*state);
    }
    // Those stood in for are written as ever by the next flush of their sheet
    // (the Protect just sent is not one).
    m_stoodIn << done;
    return ok;
}

// Zeros, and the lookup in the block's first and last cells.
bool FormulaBatch::writeStandIn(SheetState &state, const SheetArea &a, const QString &formula)
{
    uno::Sequence<uno::Sequence<uno::Any>> zeros(a.rows());
    for (auto &row : zeros) {
        row.realloc(a.columns());
        for (auto &cell : row)
            cell <<= 0.0;
    }
    return guarded(m_context.session(), [&]() -> bool {
        // One formula for the whole block: one the office cannot read in the
        // first cell leaves every cell as it was.
        const uno::Reference<table::XCell> first = state.sheet->getCellByPosition(a.left - 1, a.top - 1);
        const rtl::OUString before = first->getFormula();
        const CellNotes notes = keepNotes(state.sheet, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        first->setFormula(calcFormulaAt(formula, a.top, a.left));
        if (isSyntaxError(first->getError())) {
            first->setFormula(before);
            restoreNotes(state.sheet, notes);
            return false;
        }
        uno::Reference<sheet::XCellRangeData>(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), uno::UNO_QUERY_THROW)
            ->setDataArray(zeros);
        for (const auto &[row, column] : {std::pair{a.top, a.left}, std::pair{a.bottom, a.right}})
            state.sheet->getCellByPosition(column - 1, row - 1)->setFormula(calcFormulaAt(formula, row, column));
        restoreNotes(state.sheet, notes);
        return true;
    }, false);
}

void FormulaBatch::flushFormulasOf(SheetState &state)
{
    // Held lookups go first: flushSheet and flushProtectionOf both send them.
    if (!state.formulas.r1c1.isEmpty())
        flushSheet(state);
    flushProtectionOf(state);
}

void FormulaBatch::flushProtectionOf(SheetState &state)
{
    sendHeldLookupsOf(state);
    if (!state.formulas.protection)
        return;
    const QString password = *state.formulas.protection;
    state.formulas.protection.reset();
    protectSheet(state, password);
}

// Formulas that look up other sheets through INDIRECT are recalculated on
// every change to any cell of the workbook, each change costing time that
// grows with their number. A sheet protected while its formulas still wait
// is protected when they are sent, so its many formulas enter the workbook
// after the writes to the other sheets, not before them. The sheet is
// protected as soon as anything reads it, writes to it, or the file is saved.
bool FormulaBatch::protectSheet(SheetState &state, const QString &password)
{
    if (!m_sheetPasswords.contains(password))
        m_sheetPasswords << password;
    const bool protectedNow = guarded(m_context.session(), [&]() -> bool {
        return uno::Reference<util::XProtectable>(state.sheet, uno::UNO_QUERY_THROW)->isProtected();
    }, true);
    if (!m_context.unbuffered() && !protectedNow && !state.formulas.r1c1.isEmpty()) {
        state.formulas.protection = password;
        return true;
    }
    sendHeldLookupsOf(state);
    if (!state.formulas.r1c1.isEmpty())
        flushSheet(state);
    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<util::XProtectable> protectable(state.sheet, uno::UNO_QUERY_THROW);
        if (protectable->isProtected())
            protectable->unprotect(ou(password));
        protectable->protect(ou(password));
        return true;
    }, false);
}

std::optional<bool> FormulaBatch::sheetProtected(SheetState &content)
{
    if (m_context.closed())
        return std::nullopt;
    // A stand-in is protected as its source is; a waiting Protect counts.
    if (content.formulas.protection)
        return true;
    return guarded(m_context.session(), [&]() -> std::optional<bool> {
        return uno::Reference<util::XProtectable>(content.sheet, uno::UNO_QUERY_THROW)->isProtected();
    }, std::optional<bool>());
}

// Waiting R1C1 formulas go out as rectangles of one formula each: every cell's
// own A1 text, one call per rectangle.
void FormulaBatch::flushSheet(SheetState &state, bool holdLookups)
{
    // Held blocks go before anything written after them.
    if (!holdLookups)
        sendHeldLookupsOf(state);
    struct Block
    {
        SheetArea area;
        QString formula;
    };
    QList<Block> done;
    QHash<QString, QList<int>> open; // key: left,right,formula -> indexes into done
    QList<Block> runs;
    // Row runs of one formula.
    for (auto it = state.formulas.r1c1.constBegin(); it != state.formulas.r1c1.constEnd(); ++it) {
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
    state.formulas.r1c1.clear();
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
    // Lookups sent before and written over now are no longer known.
    for (int i = m_sentLookups.size() - 1; i >= 0; --i) {
        const SentLookup &sent = m_sentLookups.at(i);
        if (sent.sheet.lock().get() != &state)
            continue;
        for (const Block &block : done)
            if (block.area.intersects(sent.area)) {
                m_sentLookups.removeAt(i);
                break;
            }
    }
    for (const Block &block : done) {
        const bool lookup = m_context.lookupResultsKnown() && parseLookupFormula(block.formula).has_value();
        const SentLookup sent{m_sheets.states().value(state.identity.get()), block.area, block.formula};
        if (lookup && holdLookups)
            m_heldLookups << sent;
        else if (writeBlock(state, block.area, block.formula) && lookup)
            m_sentLookups << sent;
    }
    m_values.invalidateValues();
}

bool FormulaBatch::writeBlock(SheetState &state, const SheetArea &area, const QString &formula)
{
    return area.rows() >= kFillRows ? writeByFill(state, area, formula) : writeCellByCell(state, area, formula);
}

QList<FormulaBatch::SentLookup> FormulaBatch::takeSentLookups()
{
    QList<SentLookup> sent;
    sent.swap(m_sentLookups);
    return sent;
}


bool FormulaBatch::writeCellByCell(SheetState &state, const SheetArea &a, const QString &formula)
{
    uno::Sequence<uno::Sequence<rtl::OUString>> texts(a.rows());
    auto *rows = texts.getArray();
    for (int r = 0; r < a.rows(); ++r) {
        rows[r].realloc(a.columns());
        auto *cells = rows[r].getArray();
        for (int c = 0; c < a.columns(); ++c)
            cells[c] = calcFormulaAt(formula, a.top + r, a.left + c);
    }
    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XCellRange> cells
            = state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        uno::Reference<sheet::XCellRangeFormula> range(cells, uno::UNO_QUERY_THROW);
        const auto before = range->getFormulaArray();
        // Entering formulas takes the cells' comments away.
        const CellNotes notes = keepNotes(state.sheet, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        range->setFormulaArray(texts);
        restoreNotes(state.sheet, notes);
        // One formula for the whole block: if the office cannot read it in
        // the first cell, it cannot anywhere; the cells stay as they were.
        if (isSyntaxError(cells->getCellByPosition(0, 0)->getError())) {
            range->setFormulaArray(before);
            return false;
        }
        return true;
    }, false);
}

// A tall block gets its first row written and filled down: the office then
// shares one formula among the column's cells instead of joining them one by
// one, which costs time with the square of the rows. Filling copies the first
// row's formatting too, so the block's own formatting is put back afterwards.
bool FormulaBatch::writeByFill(SheetState &state, const SheetArea &a, const QString &formula)
{
    uno::Sequence<uno::Sequence<rtl::OUString>> firstRow(1);
    firstRow.getArray()[0].realloc(a.columns());
    for (int c = 0; c < a.columns(); ++c)
        firstRow.getArray()[0].getArray()[c] = calcFormulaAt(formula, a.top, a.left + c);

    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XCellRange> block
            = state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        const KeptFormats kept = keepFormats(block, a);

        uno::Reference<sheet::XCellRangeFormula> top(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.top - 1), uno::UNO_QUERY_THROW);
        const auto before = top->getFormulaArray();
        const CellNotes notes = keepNotes(state.sheet, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1);
        top->setFormulaArray(firstRow);
        if (isSyntaxError(block->getCellByPosition(0, 0)->getError())) {
            top->setFormulaArray(before);
            restoreNotes(state.sheet, notes);
            return false;
        }
        // Filling takes the first row's comments down the block too.
        uno::Reference<sheet::XCellSeries> series(block, uno::UNO_QUERY_THROW);
        series->fillAuto(sheet::FillDirection_TO_BOTTOM, 1);
        restoreFormats(kept);
        restoreNotes(state.sheet, notes);
        return true;
    }, false);
}

FormulaBatch::KeptFormats FormulaBatch::keepFormats(const uno::Reference<table::XCellRange> &block, const SheetArea &a)
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

void FormulaBatch::restoreFormats(const KeptFormats &kept)
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
uno::Sequence<rtl::OUString> FormulaBatch::formatPropertyNames(const uno::Reference<table::XCellRange> &block)
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
