#pragma once

#include "SheetState.h"
#include "SheetUsePlan.h"

class BookSideCopies;
class FormulaBatch;
class GroupedSource;
class ValueCache;

// What the backend does before and after a member gets at an office sheet,
// so that no handler has to remember it: stand-ins made whole copies,
// versions counted, the grouped source and the copies made aside let go of
// (by what the member does to the sheet, see SheetUse); formulas and a
// Protect that wait sent first; the sheet whose cells a read sees (a
// stand-in's source); cached values dropped after a write to cells.
class SheetUseRules
{
public:
    // The parts the rules act on, and the workbook's closed flag (a closed
    // workbook's stand-ins read nothing from their source).
    SheetUseRules(FormulaBatch &formulas, GroupedSource &grouped, ValueCache &values, BookSideCopies &sideCopies,
                  const bool &closed)
        : m_formulas(formulas)
        , m_grouped(grouped)
        , m_values(values)
        , m_sideCopies(sideCopies)
        , m_closed(closed)
    {
    }

    // Applies what comes before the call; returns the sheet whose cells the
    // call reads.
    SheetState &before(SheetState &state, const SheetCall &call);
    // Applies what comes after it.
    void after(SheetState &state, const SheetCall &call);

private:
    void beforeCellUse(SheetState &state, SheetUse use);

    FormulaBatch &m_formulas;
    GroupedSource &m_grouped;
    ValueCache &m_values;
    BookSideCopies &m_sideCopies;
    const bool &m_closed;
};
