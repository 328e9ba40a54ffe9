// The rules every member that reaches a sheet goes through, in one place.
//
// The nodes (Lo*) hand each call, query, get and set to the workbook before
// their own code runs (LoSheetNode::beforeUse), and each call and set again
// when it is done. What the member does to the sheet's cells (SheetUse, from
// the catalogue) decides what becomes of stand-ins, the grouped source and
// the copies made aside; the member itself decides which waiting formulas go
// first, whether it reads cells a stand-in borrows from its source, and
// whether cached values go once it has written.

#include "SheetUseRules.h"

#include "BookSideCopies.h"
#include "FormulaBatch.h"
#include "GroupedSource.h"
#include "ValueCache.h"

namespace {

struct Rule
{
    char access;
    ObjectKind object;
    Member member;
    SheetUsePlan::Waiting waiting;
    bool readsCells;      // reads cells, a stand-in's from its source
    bool dropsValuesAfter; // writes cells: the cached values go after it
};

using K = ObjectKind;
using M = Member;
using W = SheetUsePlan::Waiting;

// Members not listed leave waiting formulas waiting and read no cells. A few
// still send formulas, count versions or drop cached values themselves, at a
// point only they know, so that the office is called in the same order:
// Range.FormulaR1C1 only when it does not know the formula already,
// SetFormulaR1C1 only in cell-by-cell mode, End only for the direction it
// answers, Delete only for whole rows, Hyperlinks.Add only for arguments it
// takes, AllowEditRanges.Add only in an .xls workbook, AutoFilterMode only
// when the sheet came with a filter, and Copy after asking the office for
// the sheets' names and order.
constexpr Rule kRules[] = {
    // Reads of values and of what the sheet shows see every formula.
    {'D', K::Range, M::Value, W::AllFormulas, true, false},
    {'P', K::Range, M::Value, W::AllFormulas, true, false},
    {'P', K::Range, M::Text, W::AllFormulas, true, false},
    {'D', K::Range, M::AutoFilter, W::AllFormulas, true, false},
    {'Q', K::Worksheet, M::UsedRange, W::AllFormulas, true, false},
    {'D', K::Worksheet, M::Select, W::AllButLookups, false, false},
    {'D', K::Worksheet, M::Activate, W::AllButLookups, false, false},
    // A write to a cell comes after the formulas that wait for its sheet.
    {'D', K::Range, M::SetValue, W::SheetFormulas, false, true},
    {'S', K::Range, M::Value, W::SheetFormulas, false, true},
    {'D', K::Range, M::SetFormula, W::SheetFormulas, false, true},
    {'D', K::Range, M::AutoFill, W::SheetFormulas, false, true},
    {'S', K::Range, M::Formula, W::SheetFormulas, false, true},
    // A Protect waiting for the sheet comes before its cells' protection
    // flags change; the flags stay with the cells when the formulas still
    // waiting are written.
    {'S', K::Range, M::Locked, W::SheetProtection, false, false},
    {'S', K::Range, M::FormulaHidden, W::SheetProtection, false, false},
    // Reads that send nothing first.
    {'D', K::Range, M::FormulaR1C1, W::Stays, true, false},
    {'Q', K::Range, M::End, W::Stays, true, false},
    {'Q', K::Range, M::MergeArea, W::Stays, true, false},
    {'P', K::Worksheet, M::ProtectContents, W::Stays, true, false},
};

const Rule *ruleFor(const SheetCall &call)
{
    if (!call.entry)
        return nullptr;
    for (const Rule &rule : kRules)
        if (rule.access == call.access && rule.object == call.object && rule.member == call.entry->id)
            return &rule;
    return nullptr;
}

} // namespace

bool leavesHeldCells(const QList<SheetArea> &held, const SheetCall &call)
{
    if (held.isEmpty())
        return true;
    if (!call.entry)
        return false;
    switch (sheetUseOf(call.entry)) {
    case SheetUse::Rename:
    case SheetUse::Arrange:
    case SheetUse::Unfilter:
        return true;
    case SheetUse::Read:
    case SheetUse::Filter:
        break;
    default:
        return false;
    }
    switch (call.entry->id) {
    case M::Name:
    case M::Index:
        return call.access == 'P';
    case M::Cells:
    case M::Range:
    case M::Rows:
    case M::Columns:
    case M::Item:
        return call.access == 'Q'; // a range is made without the office
    case M::AutoFilter:
        return call.access == 'D' && call.arguments < 2; // only shows the rows again
    case M::Value:
    case M::Text:
        if (call.access != 'D' && call.access != 'P')
            return false;
        break;
    default:
        return false;
    }
    // A read of cells none of the held ones.
    if (call.areas.isEmpty())
        return false;
    for (const SheetArea &a : call.areas)
        for (const SheetArea &h : held)
            if (a.intersects(h))
                return false;
    return true;
}

SheetUsePlan sheetUsePlan(const SheetCall &call)
{
    SheetUsePlan plan;
    if (const Rule *rule = ruleFor(call)) {
        plan.waiting = rule->waiting;
        plan.readsCells = rule->readsCells;
        plan.dropsValuesAfter = rule->dropsValuesAfter;
        plan.listed = true;
    }
    return plan;
}

int sheetUseRuleCount()
{
    return int(sizeof kRules / sizeof kRules[0]);
}

SheetState &SheetUseRules::before(SheetState &state, const SheetCall &call)
{
    // Anything but a few reads sees a copy's formulas held back first.
    if (state.held && !leavesHeldCells(state.held->areas(), call))
        m_grouped.copyHeldFormulasInto(state);
    // Calls and assignments change cells; queries and gets only read them.
    if (call.access == 'D' || call.access == 'S')
        beforeCellUse(state, sheetUseOf(call.entry));
    const SheetUsePlan plan = sheetUsePlan(call);
    switch (plan.waiting) {
    case SheetUsePlan::Waiting::Stays:
        break;
    case SheetUsePlan::Waiting::SheetFormulas:
        m_formulas.flushFormulasOf(state);
        break;
    case SheetUsePlan::Waiting::SheetProtection:
        m_formulas.flushProtectionOf(state);
        break;
    case SheetUsePlan::Waiting::AllFormulas:
        m_formulas.flushFormulas();
        break;
    case SheetUsePlan::Waiting::AllButLookups:
        m_grouped.copyAllHeldFormulas();
        m_formulas.flushFormulasHoldingLookups();
        break;
    }
    if (plan.readsCells && !m_closed)
        return m_grouped.contentOf(state);
    return state;
}

void SheetUseRules::after(SheetState &, const SheetCall &call)
{
    if (sheetUsePlan(call).dropsValuesAfter)
        m_values.invalidateValues();
}

void SheetUseRules::beforeCellUse(SheetState &state, SheetUse use)
{
    GroupedSource &grouped = m_grouped;
    switch (use) {
    case SheetUse::Read:
    case SheetUse::Rename:
    case SheetUse::Arrange:
    case SheetUse::Filter: // emulated: the office's sheet is not touched
        return;
    case SheetUse::CopySheet:
    case SheetUse::Show:
        if (state.aside.document.is())
            m_sideCopies.bringInSideCopies();
        grouped.materialize(state);
        return;
    case SheetUse::RowDelete: // RowDeletion looks after a stand-in itself
        grouped.materializeCopiesOf(state);
        return;
    case SheetUse::Unfilter:
        grouped.materialize(state);
        grouped.materializeCopiesOf(state);
        return;
    case SheetUse::Write:
        // Writing means the split is over: no stand-in may be named by a
        // formula, and the grouped source goes while the workbook holds few
        // formulas, which every sheet removal visits.
        grouped.materializeAll();
        ++state.version;
        grouped.dropGroupedSource();
        m_sideCopies.bringInSideCopies();
        return;
    }
}
