// GroupedSource's second way, for summaries of formulas with few rows a
// category: instead of the rows grouped, one copy of the summary without its
// block, the row template; a stand-in becomes a copy of the template with its
// rows copied in from the summary (see RowTemplate.h).

#include "GroupedSource.h"

#include "BookContext.h"
#include "RowDeletion.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "Guarded.h"
#include "OfficeSession.h"
#include "RowTemplate.h"
#include "UnoText.h"

#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>

using namespace css;

namespace {

// Longer than any name a caller may give a sheet, so it never meets one.
const QString kTemplateName = QStringLiteral("sheetsplicer row template, removed before saving");
const QString kSortedName = QStringLiteral("sheetsplicer rows by category, removed before saving");

// Each run of a category's rows is one call of about 3 ms to the office.
constexpr int kMaxRunsPerCopy = 8;

// How many runs of consecutive rows the categories' rows make, all told.
int runsOf(const RowGrouping &grouping)
{
    int runs = 0;
    int start = 0;
    for (int p = 0; p < grouping.size(); ++p) {
        const bool groupStart = start < grouping.groupStarts().size() && grouping.groupStarts().at(start) == p;
        if (groupStart)
            ++start;
        if (groupStart || grouping.originalIndexAt(p) != grouping.originalIndexAt(p - 1) + 1)
            ++runs;
    }
    return runs;
}

} // namespace

void GroupedSource::makeRowTemplate(SheetState &copy, SheetState &source,
                                    const std::shared_ptr<const RowGrouping> &grouping)
{
    // Weighed once per version of the source.
    if (m_templateRefused.source.lock().get() == &source && m_templateRefused.sourceVersion == source.version)
        return;
    m_templateRefused = {m_sheets.states().value(source.identity.get()), source.version, 0};
    const int top = grouping->top();
    const int bottom = grouping->bottom();
    const SheetArea used = m_values.usedArea(source);
    const QString sourceName = m_sheets.nameOf(source);
    // Rows below the block would move up in a copy that loses rows.
    if (sourceName.isNull() || used.bottom > bottom || qEnvironmentVariable("SHEETSPLICER_ROW_TEMPLATE") == "0")
        return;
    // Categories whose rows lie in many runs take them from a copy of the
    // source sorted by category, one run each. That copy's formulas make
    // every later sheet insertion cost more: with few runs a category, a call
    // a run costs less.
    const bool sortedRows = runsOf(*grouping) > kMaxRunsPerCopy * grouping->groupStarts().size();
    bool readsByText = true;
    const bool fits = guarded(m_context.session(), [&]() {
        return RowTemplate::fits(m_context.document(), source.sheet, top, bottom, used.right, readsByText);
    }, false);
    if (!fits || !m_rows.rowsMayMove(copy, top, bottom))
        return;
    const std::pair<QList<SheetArea>, QList<SheetArea>> columns
        = columnsOfCopies(source, grouping->top(), bottom, qMax(used.right, 1), copy.filter.column, readsByText);

    // First in the office's order, as the grouped parts are; the sorted rows
    // right after.
    uno::Reference<sheet::XSpreadsheet> sorted;
    auto sheet = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        sheets->copyByName(ou(sourceName), ou(kTemplateName), 0);
        uno::Reference<sheet::XSpreadsheet> made(sheets->getByName(ou(kTemplateName)), uno::UNO_QUERY_THROW);
        uno::Reference<table::XColumnRowRange>(made, uno::UNO_QUERY_THROW)->getRows()->removeByIndex(top - 1, bottom - top + 1);
        if (sortedRows) {
            sheets->copyByName(ou(sourceName), ou(kSortedName), 1);
            sorted.set(sheets->getByName(ou(kSortedName)), uno::UNO_QUERY_THROW);
        }
        return made;
    }, uno::Reference<sheet::XSpreadsheet>());
    m_values.invalidateValues();
    if (!sheet.is() || (sortedRows && !sorted.is())) {
        guarded(m_context.session(), [&]() -> bool {
            uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
            for (const QString &name : {kTemplateName, kSortedName})
                if (sheets->hasByName(ou(name)))
                    sheets->removeByName(ou(name));
            return true;
        }, false);
        m_values.invalidateValues();
        return;
    }
    const std::shared_ptr<SheetState> state = m_sheets.stateOf(sheet);
    // The bottom rows as a copy that lost the whole block has them.
    m_rows.refillBottomRows(*state, {SheetArea{top, 1, bottom, 1}});
    Parts made;
    made.source = m_sheets.states().value(source.identity.get());
    made.sourceVersion = source.version;
    made.column = copy.filter.column;
    made.grouping = grouping;
    made.parts << Part{state, kTemplateName, 0, grouping->size()};
    made.partsMade = 1;
    made.rowTemplate = true;
    made.columnsAtOnce = columns.first;
    made.columnsHeld = columns.second;
    if (sortedRows)
        made.parts << Part{m_sheets.stateOf(sorted), kSortedName, 0, grouping->size()};
    made.sortedRows = sortedRows;
    m_grouped = made;
    // Each row's grouped position sorts it there.
    if (sortedRows) {
        QVector<double> position(grouping->size());
        for (int p = 0; p < grouping->size(); ++p)
            position[grouping->originalIndexAt(p)] = p;
        if (!m_rows.sortBlockRows(*m_grouped->parts.at(1).sheet, top, bottom, {position})) {
            dropGroupedSource();
            return;
        }
    }
    qCInfo(officeLog) << "copies of" << sourceName << "are made from a row template"
                      << (sortedRows ? "and rows sorted by category" : "")
                      << (made.columnsHeld.isEmpty() ? "" : ", their formulas copied in when used");
}

// The stand-in, a copy of the template, takes the kept rows from the source;
// none when the delete takes rows outside the block.
std::optional<bool> GroupedSource::copyFromRowTemplate(SheetState &copy, SheetState &source,
                                                       const RowGrouping::KeptRows &kept)
{
    if (!kept.above.isEmpty() || !kept.below.isEmpty())
        return std::nullopt;
    const RowGrouping &grouping = *m_grouped->grouping;
    const bool sorted = m_grouped->sortedRows;
    const uno::Reference<sheet::XSpreadsheet> from = sorted ? m_grouped->parts.at(1).sheet->sheet : source.sheet;
    QList<SheetArea> runs;
    for (const int position : kept.positions) {
        const int row = grouping.top() + (sorted ? position : grouping.originalIndexAt(position));
        if (!runs.isEmpty() && runs.last().bottom == row - 1)
            runs.last().bottom = row;
        else
            runs << SheetArea{row, 1, row, 1};
    }
    copy.lineage.deferred = false;
    bool ok = guarded(m_context.session(), [&]() {
        RowTemplate::copyRowsIn(from, copy.sheet, runs, grouping.top(), m_grouped->columnsAtOnce);
        return true;
    }, false);
    m_values.invalidateValues();
    if (ok && !runs.isEmpty() && !m_grouped->columnsHeld.isEmpty()) {
        const std::shared_ptr<SheetState> fromState
            = sorted ? m_grouped->parts.at(1).sheet : m_sheets.states().value(source.identity.get());
        if (fromState) {
            copy.held = SheetState::HeldFormulas{fromState, fromState->version, runs, m_grouped->columnsHeld,
                                                 grouping.top()};
            m_heldMade = true;
        } else {
            // A source the registry does not know could not give them later.
            ok = guarded(m_context.session(), [&]() {
                RowTemplate::copyCellsIn(from, copy.sheet, runs, grouping.top(), m_grouped->columnsHeld);
                return true;
            }, false);
        }
    }
    return ok;
}

// Copies get columns with formulas last, when they are used: a copy that
// holds no formulas costs the office nothing when later copies go in ahead
// of it, where each formula of every sheet is visited. The columns of `source`
// 1 to `right` a copy gets at once, and those it gets later; all at once when
// a formula's value may depend on the copies (it names sheets by text), or
// the columns alternate too often to be worth the calls.
std::pair<QList<SheetArea>, QList<SheetArea>> GroupedSource::columnsOfCopies(SheetState &source, int top, int bottom,
                                                                             int right, int categoryColumn,
                                                                             bool readsByText)
{
    const QList<SheetArea> all{SheetArea{top, 1, bottom, right}};
    if (readsByText || qEnvironmentVariable("SHEETSPLICER_HOLD_FORMULAS") == "0")
        return {all, {}};
    const std::optional<QList<SheetArea>> formulas = guarded(m_context.session(), [&]() -> std::optional<QList<SheetArea>> {
        if (RowTemplate::readsSheetsByText(m_context.document(), source.sheet))
            return std::nullopt;
        return RowTemplate::formulaColumns(source.sheet, top, bottom, right);
    }, std::optional<QList<SheetArea>>());
    if (!formulas)
        return {all, {}};
    // The category column is read while the split runs: it comes at once.
    QList<SheetArea> held;
    for (SheetArea run : *formulas) {
        if (categoryColumn >= run.left && categoryColumn <= run.right) {
            if (categoryColumn > run.left)
                held << SheetArea{top, run.left, bottom, categoryColumn - 1};
            run.left = categoryColumn + 1;
        }
        if (run.left <= run.right)
            held << run;
    }
    QList<SheetArea> atOnce;
    int left = 1;
    for (const SheetArea &run : held) {
        if (run.left > left)
            atOnce << SheetArea{top, left, bottom, run.left - 1};
        left = run.right + 1;
    }
    if (left <= right)
        atOnce << SheetArea{top, left, bottom, right};
    if (held.isEmpty() || held.size() > 2 || atOnce.size() > 2)
        return {all, {}};
    return {atOnce, held};
}

bool GroupedSource::copyHeldFormulasInto(SheetState &copy)
{
    if (!copy.held)
        return true;
    const SheetState::HeldFormulas held = *copy.held;
    copy.held.reset();
    const std::shared_ptr<SheetState> from = held.from.lock();
    bool ok = from && from->version == held.fromVersion;
    if (ok)
        ok = guarded(m_context.session(), [&]() {
            RowTemplate::copyCellsIn(from->sheet, copy.sheet, held.runs, held.top, held.columns);
            return true;
        }, false);
    m_values.invalidateValues();
    if (!ok) {
        m_heldLost = true;
        qCWarning(officeLog) << "the formulas held back from" << m_sheets.nameOf(copy) << "could not be copied in";
    }
    return ok;
}

bool GroupedSource::copyHeldFormulasFrom(const SheetState &source)
{
    if (!m_heldMade)
        return true;
    bool ok = true;
    for (const auto &state : m_sheets.states().values())
        if (state->held && state->held->from.lock().get() == &source)
            ok = copyHeldFormulasInto(*state) && ok;
    return ok;
}

bool GroupedSource::copyAllHeldFormulas()
{
    if (!m_heldMade)
        return true;
    m_heldMade = false;
    bool ok = true;
    for (const auto &state : m_sheets.states().values())
        if (state->held)
            ok = copyHeldFormulasInto(*state) && ok;
    return ok;
}
