// Copies of one sheet that each keep the rows of one category.
//
// Splitting a summary copies it once per category and deletes the other
// categories' rows from each copy. Scattered rows are deleted by sorting them
// away (Book::sortAwayRows), and that sort is most of the time a copy costs.
// So the first such delete also makes a grouped source: one more copy of the
// summary, kept first in the office's order and never shown to the caller,
// whose block holds the rows grouped by the filtered column. While the summary
// stays as it was, every later copy of it is made from the grouped source, and
// deleting the other categories' rows from such a copy is two block deletes.
// The grouped source goes at the first write to any sheet, when the split is
// over, and in any case before the workbook is saved.
//
// A copy made that way holds the block's rows in grouped order until that
// delete; what it reads meanwhile comes from the summary itself, which holds
// the same cells in their own order. Anything else done to the copy first puts
// its rows back in the summary's order (SheetUse says which calls).

#include "Book.h"

#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"

#include <com/sun/star/sheet/XSpreadsheets.hpp>

using namespace css;

namespace {

// Longer than any name a caller may give a sheet, so it never meets one.
const QString kGroupedSourceName = QStringLiteral("sheetsplicer grouped rows, removed before saving");

} // namespace

void Book::beforeUse(SheetState &state, SheetUse use)
{
    switch (use) {
    case SheetUse::Read:
    case SheetUse::Rename:
    case SheetUse::Arrange:
    case SheetUse::Filter:
    case SheetUse::RowDelete: // deleteRows looks after the order itself
        return;
    case SheetUse::CopySheet:
        restoreOrder(state);
        return;
    case SheetUse::Write:
        restoreOrder(state);
        ++state.version;
        // Writing means the split is over: the grouped source goes while the
        // workbook holds few formulas, which every sheet removal visits.
        dropGroupedSource();
        return;
    }
}

bool Book::isUnchangedCopy(const SheetState &copy, const SheetState &source) const
{
    return copy.copiedFrom.lock().get() == &source && copy.versionAtCopy == copy.version
           && copy.sourceVersionAtCopy == source.version;
}

// The sheet whose cells a read of `state` sees: its source while it is a
// grouped copy of an unchanged source, itself otherwise.
SheetState &Book::contentOf(SheetState &state)
{
    if (!state.grouping)
        return state;
    const auto source = state.copiedFrom.lock();
    if (source && isUnchangedCopy(state, *source))
        return *source;
    restoreOrder(state);
    return state;
}

// A grouped copy's rows back in the source's order.
bool Book::restoreOrder(SheetState &state)
{
    if (!state.grouping)
        return true;
    const std::shared_ptr<const RowGrouping> grouping = std::move(state.grouping);
    state.grouping.reset();
    QVector<double> original(grouping->size());
    for (int position = 0; position < grouping->size(); ++position)
        original[position] = grouping->originalIndexAt(position);
    const bool ok = sortBlockRows(state, grouping->top(), grouping->bottom(), {original});
    if (!ok)
        qWarning("sheetsplicer: a copied sheet's rows could not be put back in order");
    return ok;
}

std::shared_ptr<SheetState> Book::groupedSourceFor(const SheetState &source) const
{
    if (!m_grouped || m_grouped->source.lock().get() != &source || m_grouped->sourceVersion != source.version)
        return nullptr;
    return m_grouped->sheet;
}

// Makes the grouped source from a fresh copy of a sheet that is about to lose
// the rows its filter shows: the filter's block, grouped by its column.
void Book::groupSourceOf(SheetState &copy)
{
    const auto source = copy.copiedFrom.lock();
    if (m_unbuffered || !source || !copy.filterActive || copy.filterColumn < 1 || !isUnchangedCopy(copy, *source)
        || copy.filterLastRow <= copy.filterFirstRow || groupedSourceFor(*source))
        return;
    const QString sourceName = nameOf(*source);
    if (sourceName.isNull())
        return;
    dropGroupedSource();

    const QVector<QVariant> values = columnValues(*source, copy.filterColumn, copy.filterFirstRow, copy.filterLastRow);
    QVector<QString> keys;
    keys.reserve(values.size());
    for (const QVariant &value : values)
        keys << value.toString(); // as the filter compares them
    auto grouping = std::make_shared<const RowGrouping>(RowGrouping::byKeys(copy.filterFirstRow, keys));

    // First in the office's order: copies go in after their source, and every
    // sheet they push along costs the office time per formula it holds.
    auto sheet = guarded(m_session, [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_document->getSheets();
        sheets->copyByName(ou(sourceName), ou(kGroupedSourceName), 0);
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(kGroupedSourceName)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    invalidateValues();
    if (!sheet.is())
        return;
    m_grouped = GroupedSource{source, source->version, stateOf(sheet), kGroupedSourceName, copy.filterColumn, grouping};

    // Each row's grouped position sorts it there.
    QVector<double> position(grouping->size());
    for (int p = 0; p < grouping->size(); ++p)
        position[grouping->originalIndexAt(p)] = p;
    if (grouping->isIdentity() || sortBlockRows(*m_grouped->sheet, grouping->top(), grouping->bottom(), {position}))
        return;
    dropGroupedSource();
}

void Book::dropGroupedSource()
{
    if (!m_grouped)
        return;
    const GroupedSource grouped = *m_grouped;
    m_grouped.reset();
    m_states.remove(grouped.sheet->identity.get());
    guarded(m_session, [&]() -> bool {
        m_document->getSheets()->removeByName(ou(grouped.name));
        return true;
    }, false);
    invalidateValues();
}
