#pragma once

#include "MemberCatalogue.h"
#include "SheetArea.h"

#include <QList>

// One member reaching one sheet: how (D call, Q query, P get, S set), on
// which kind of object, and the catalogue's entry for it (null for a member
// the catalogue does not hold).
struct SheetCall
{
    char access = 'D';
    ObjectKind object = ObjectKind::Worksheet;
    const CatalogueMember *entry = nullptr;
    // The cells of a range the member is asked of; empty for anything else.
    QList<SheetArea> areas;
    int arguments = 0; // of a call
};

// What the rules make of one call, decided without the office: which waiting
// formulas reach the office before it, whether it reads cells (a stand-in's
// from its source), and whether cached values go once it has written.
struct SheetUsePlan
{
    enum class Waiting
    {
        Stays,
        SheetFormulas,   // the sheet's formulas, then its Protect
        SheetProtection, // the sheet's Protect only
        AllFormulas,     // every sheet's formulas and Protects
        // The same, but the lookups of an .xlsx-bound workbook, and their
        // sheets' Protects, wait for saving (see KnownLookups); nothing
        // that reads cells may leave them waiting.
        AllButLookups,
    };
    Waiting waiting = Waiting::Stays;
    bool readsCells = false;
    bool dropsValuesAfter = false;
    bool listed = false; // false: a member the rules leave alone
};

SheetUsePlan sheetUsePlan(const SheetCall &call);

// Whether `call` may leave the cells `held` of its sheet empty, their
// formulas held back (see GroupedSource::copyHeldFormulasInto): it renames or
// moves the sheet, makes a range, asks its name, shows its rows again, or
// reads the value or text of other cells.
bool leavesHeldCells(const QList<SheetArea> &held, const SheetCall &call);

// How many rules the table holds, each for one access, object and member.
int sheetUseRuleCount();
