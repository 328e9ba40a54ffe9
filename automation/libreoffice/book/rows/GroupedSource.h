#pragma once

#include "RowGrouping.h"
#include "SheetArea.h"
#include "SheetState.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <memory>
#include <optional>

class BookContext;
class SheetRegistry;
class ValueCache;
class RowDeletion;

// Copies of one sheet that each keep the rows of one category, cut from a
// copy of it with its rows grouped by category (see GroupedSource.cpp).
class GroupedSource
{
public:
    GroupedSource(BookContext &context, SheetRegistry &sheets, ValueCache &values, RowDeletion &rows)
        : m_context(context)
        , m_sheets(sheets)
        , m_values(values)
        , m_rows(rows)
    {
    }

    // The sheet whose cells a read of `state` sees.
    SheetState &contentOf(SheetState &state);
    // Makes the grouped source from `copy`, about to lose `rows`.
    void groupSourceOf(SheetState &copy, const QList<SheetArea> &rows);
    bool hasGroupedSourceFor(const SheetState &source) const;
    bool isGroupedPart(const SheetState &state) const;
    // The names of the parts, which are no sheets of the caller's.
    QStringList partNames() const;
    int groupedPartsBefore(int tab);
    void dropGroupedSource();
    // An empty stand-in for a copy of `source`; null when `source` has no
    // grouped source.
    std::shared_ptr<SheetState> deferredCopy(SheetState &source, const QString &name, int tab, int index);
    void materialize(SheetState &copy);
    void materializeCopiesOf(const SheetState &source);
    void materializeAll();
    std::optional<bool> materializeForDelete(SheetState &copy, const QList<SheetArea> &rows);
    // Formula cells held back from copies of the row template (see
    // GroupedSourceTemplate.cpp), copied into `copy`, into every copy whose
    // cells come from `source`, or into all; false when one could not be.
    bool copyHeldFormulasInto(SheetState &copy);
    bool copyHeldFormulasFrom(const SheetState &source);
    bool copyAllHeldFormulas();
    // Whether a copy's held formulas could not be copied in: its cells would
    // be wrong, and the workbook must not be saved.
    bool heldFormulasLost() const { return m_heldLost; }
    // How many keys the block of `source` held, as it is now, when the
    // grouped source was last considered for a copy of it; 0 when unknown.
    int keysOf(const SheetState &source) const;

private:
    int groupedPartFor(const RowGrouping::KeptRows &kept);
    bool splitGroupedPart(int index, int at);
    // The row template's way (see GroupedSourceTemplate.cpp).
    void makeRowTemplate(SheetState &copy, SheetState &source, const std::shared_ptr<const RowGrouping> &grouping);
    std::optional<bool> copyFromRowTemplate(SheetState &copy, SheetState &source, const RowGrouping::KeptRows &kept);
    std::pair<QList<SheetArea>, QList<SheetArea>> columnsOfCopies(SheetState &source, int top, int bottom, int right,
                                                                  int categoryColumn, bool readsByText);

    // A copy of one sheet with the rows of a block grouped by one column,
    // cut into parts of a few keys' groups each: sheets kept first in the
    // office's order and never shown to the caller.
    struct Part
    {
        std::shared_ptr<SheetState> sheet;
        QString name;
        int from = 0; // the grouped positions the part's block holds
        int to = 0;
    };
    struct Parts
    {
        std::weak_ptr<SheetState> source;
        quint64 sourceVersion = 0;
        int column = 0;
        std::shared_ptr<const RowGrouping> grouping;
        QList<Part> parts; // in grouped order
        int partsMade = 0;
        // The first part is the source without the block: copies of it take
        // their rows copied in (see RowTemplate.h), from the source, or, when
        // `sortedRows`, from the second part, the source with the block's
        // rows in grouped order, where each category's rows are one run.
        bool rowTemplate = false;
        bool sortedRows = false;
        // The columns each copy takes at once, and those whose formulas it
        // takes only when the copy is used (see GroupedSourceTemplate.cpp);
        // their rows unused.
        QList<SheetArea> columnsAtOnce;
        QList<SheetArea> columnsHeld;
    };

    struct KeysSeen
    {
        std::weak_ptr<SheetState> source;
        quint64 sourceVersion = 0;
        int keys = 0;
    };

    BookContext &m_context;
    SheetRegistry &m_sheets;
    ValueCache &m_values;
    RowDeletion &m_rows;
    std::optional<Parts> m_grouped;
    // False once every stand-in made has become a copy.
    bool m_standInsMade = false;
    // False once no copy holds formulas back.
    bool m_heldMade = false;
    bool m_heldLost = false;
    KeysSeen m_keysSeen;
    KeysSeen m_templateRefused; // the source last weighed for a row template
};
