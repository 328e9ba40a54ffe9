#pragma once

#include "SheetArea.h"
#include "SheetState.h"

#include <QList>
#include <QVector>

#include <memory>
#include <optional>

class BookContext;
class SheetRegistry;
class ValueCache;

// Deleting rows of one sheet in the office: blocks one by one, or many
// scattered rows by moving the few rows kept between them to the top of their
// block, or by sorting them to the bottom of it, first; then the rows the
// office frees at the sheet's bottom are put back as the sheet had them.
// Which sheet loses the rows (a stand-in, a copy aside) is the workbook's
// choice (Book::deleteRows).
class RowDeletion
{
public:
    RowDeletion(BookContext &context, SheetRegistry &sheets, ValueCache &values)
        : m_context(context)
        , m_sheets(sheets)
        , m_values(values)
    {
    }

    // Whether deleting `rows` may move or sort the rows around them; asked
    // before anything else changes the sheet.
    bool manyRunsMayMove(SheetState &state, const QList<SheetArea> &rows);
    // Deletes `rows` of a sheet that is whole in the office, moving or
    // sorting when `manyRuns` says it may.
    bool deleteFromWholeSheet(SheetState &state, const QList<SheetArea> &rows, bool manyRuns);
    // What every deletion changes in what is known of the sheet.
    void noteRowsDeleted(SheetState &state);
    // Deletes the blocks one call each.
    bool deleteRowBlocks(SheetState &state, const QList<SheetArea> &rows);
    // Sorts the rows from `top` to `bottom`, whole, by the keys.
    bool sortBlockRows(SheetState &state, int top, int bottom, const QVector<QVector<double>> &keys);
    // Whether the rows `top` to `bottom` of the sheet may be moved or sorted:
    // a row's height, page break and outline level stay where they are, so
    // none may differ (see RowLayout.h). A fresh copy is asked through the
    // sheet it was copied from, once per version of that sheet.
    bool rowsMayMove(SheetState &state, int top, int bottom);
    // Puts back the rows the office freed at the sheet's bottom when `deleted` went.
    void refillBottomRows(SheetState &state, const QList<SheetArea> &deleted);

private:
    // Nothing, and the sheet untouched, when the rows kept are too scattered,
    // hold merged cells, or the sheet's cells are followed (formulas, hidden
    // rows and the like: see nothingFollowsItsCells).
    std::optional<bool> moveKeptRows(SheetState &state, const QList<SheetArea> &rows);
    bool sortAwayRows(SheetState &state, const QList<SheetArea> &rows);
    bool nothingFollowsItsCells(SheetState &copy);

    BookContext &m_context;
    SheetRegistry &m_sheets;
    ValueCache &m_values;
    // The sheet, as it was then, whose copies were last looked at for moves.
    std::weak_ptr<SheetState> m_lookedAt;
    quint64 m_lookedAtVersion = 0;
    bool m_movable = false;
    // The last answer of rowsMayMove.
    struct HeightsSeen
    {
        std::weak_ptr<SheetState> sheet;
        quint64 version = 0;
        int top = 0;
        int bottom = 0;
        bool alike = false;
    };
    std::optional<HeightsSeen> m_heightsSeen;
};
