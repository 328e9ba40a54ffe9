#pragma once

#include "SheetState.h"
#include "SheetUsePlan.h"

class Book;

// What the backend does before and after a member gets at an office sheet,
// so that no handler has to remember it: stand-ins made whole copies,
// versions counted, the grouped source and the copies made aside let go of
// (by what the member does to the sheet, see SheetUse); formulas and a
// Protect that wait sent first; the sheet whose cells a read sees (a
// stand-in's source); cached values dropped after a write to cells.
class SheetUseRules
{
public:
    explicit SheetUseRules(Book &book) : m_book(book) {}

    // Applies what comes before the call; returns the sheet whose cells the
    // call reads.
    SheetState &before(SheetState &state, const SheetCall &call);
    // Applies what comes after it.
    void after(SheetState &state, const SheetCall &call);

private:
    void beforeCellUse(SheetState &state, SheetUse use);

    Book &m_book;
};
