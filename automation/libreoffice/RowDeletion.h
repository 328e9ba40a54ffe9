#pragma once

#include "SheetArea.h"
#include "SheetState.h"

#include <QList>
#include <QVector>

class Book;

// Deleting rows: blocks one by one, or many scattered rows by sorting them
// to the bottom of their block first; then the rows the office frees at the
// sheet's bottom are put back as the sheet had them.
class RowDeletion
{
public:
    explicit RowDeletion(Book &book) : m_book(book) {}

    // Excel's EntireRow.Delete of the areas, a stand-in's included.
    bool deleteRows(SheetState &state, const QList<SheetArea> &rows);
    // Deletes the blocks one call each.
    bool deleteRowBlocks(SheetState &state, const QList<SheetArea> &rows);
    // Sorts the rows from `top` to `bottom`, whole, by the keys.
    bool sortBlockRows(SheetState &state, int top, int bottom, const QVector<QVector<double>> &keys);

private:
    bool sortAwayRows(SheetState &state, const QList<SheetArea> &rows);
    void refillBottomRows(SheetState &state, const QList<SheetArea> &deleted);

    Book &m_book;
};
