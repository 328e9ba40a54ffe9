// Copies of one sheet that each keep the rows of one category.
//
// Splitting a summary copies it once per category and deletes the other
// categories' rows from each copy. Scattered rows are deleted by sorting them
// away (RowDeletion::sortAwayRows), and copying the whole summary and deleting most
// of it again, once per category, costs time that grows with the rows times
// the categories.
//
// So the first such delete also makes a grouped source: one more copy of the
// summary, never shown to the caller, whose block holds the rows grouped by
// the filtered column. While the summary stays as it was, a later copy of it
// is only an empty stand-in in the office, and reads of it are served by the
// summary, which holds the same cells. When the stand-in's other categories'
// rows are deleted, the grouped source is cut in two, at a group boundary,
// until the part that holds the rows kept has no other category's group left;
// that part becomes the copy. Each row is copied about log2(categories)
// times in all, instead of once per category.
//
// Anything else done to a stand-in (a write, a copy of it, a delete that does
// not fit) first makes it a whole copy of the summary, and so does any change
// to the summary while stand-ins of it remain. The grouped source goes at the
// first write to any sheet, when the split is over, and in any case before
// the workbook is saved.

#include "GroupedSource.h"

#include "BookContext.h"
#include "RowDeletion.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"

#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>

using namespace css;

namespace {

// The rows a category needs, on average, for its copy to come from the
// grouped source.
constexpr int kMinRowsPerGroup = 200;
// The categories a summary of formulas needs for its copies to come from a
// row template: making the template costs about what one copy does.
constexpr int kMinTemplateGroups = 4;

// Longer than any name a caller may give a sheet, so it never meets one.
QString partName(int number)
{
    return QStringLiteral("sheetsplicer grouped rows %1, removed before saving").arg(number);
}

sal_Int16 officeTab(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XCellRangeAddressable> addressable(sheet, uno::UNO_QUERY_THROW);
    return addressable->getRangeAddress().Sheet;
}

void removeRows(const uno::Reference<sheet::XSpreadsheet> &sheet, int first, int count)
{
    if (count <= 0)
        return;
    uno::Reference<table::XColumnRowRange> columnsRows(sheet, uno::UNO_QUERY_THROW);
    columnsRows->getRows()->removeByIndex(first - 1, count);
}

} // namespace

// A stand-in reads its source's cells.
SheetState &GroupedSource::contentOf(SheetState &state)
{
    if (!state.lineage.deferred)
        return state;
    const auto source = state.lineage.source.lock();
    if (source && isUnchangedCopy(state, *source))
        return *source;
    materialize(state);
    return state;
}

bool GroupedSource::hasGroupedSourceFor(const SheetState &source) const
{
    return m_grouped && m_grouped->source.lock().get() == &source && m_grouped->sourceVersion == source.version
           && !m_grouped->parts.isEmpty();
}

bool GroupedSource::isGroupedPart(const SheetState &state) const
{
    if (!m_grouped)
        return false;
    for (const Part &part : m_grouped->parts)
        if (part.sheet.get() == &state)
            return true;
    return false;
}

QStringList GroupedSource::partNames() const
{
    QStringList names;
    if (m_grouped)
        for (const Part &part : m_grouped->parts)
            names << part.name;
    return names;
}

// The grouped parts are no sheets of the caller's: the orders count past them.
int GroupedSource::groupedPartsBefore(int tab)
{
    if (!m_grouped)
        return 0;
    int count = 0;
    for (const Part &part : m_grouped->parts) {
        const int partTab = m_sheets.tabOf(*part.sheet);
        if (partTab >= 0 && partTab < tab)
            ++count;
    }
    return count;
}

// Makes the grouped source from a fresh copy of a sheet that is about to lose
// the rows its filter shows: the rows from the first row deleted to the last,
// and the rows the filter hides next to them, grouped by the filter's column.
// Rows the filter shows above or below those (header rows, totals) stay
// outside the block, where every copy keeps them in place.
void GroupedSource::groupSourceOf(SheetState &copy, const QList<SheetArea> &rows)
{
    const auto source = copy.lineage.source.lock();
    if (m_context.unbuffered() || !source || !copy.filter.active || copy.filter.column < 1 || !isUnchangedCopy(copy, *source)
        || hasGroupedSourceFor(*source))
        return;
    int top = copy.filter.lastRow + 1;
    int bottom = copy.filter.firstRow - 1;
    for (const SheetArea &a : rows) {
        top = qMin(top, qMax(a.top, copy.filter.firstRow));
        bottom = qMax(bottom, qMin(a.bottom, copy.filter.lastRow));
    }
    while (top > copy.filter.firstRow && copy.isRowHidden(top - 1))
        --top;
    while (bottom < copy.filter.lastRow && copy.isRowHidden(bottom + 1))
        ++bottom;
    if (bottom <= top)
        return;
    const QString sourceName = m_sheets.nameOf(*source);
    if (sourceName.isNull())
        return;
    dropGroupedSource();

    const QVector<QVariant> values = m_values.columnValues(*source, copy.filter.column, top, bottom);
    QVector<QString> keys;
    keys.reserve(values.size());
    for (const QVariant &value : values)
        keys << value.toString(); // as the filter compares them
    auto grouping = std::make_shared<const RowGrouping>(RowGrouping::byKeys(top, keys));
    // Every stand-in costs the office a few sheet insertions and removals,
    // each of which visits every sheet: with few rows a category, copying
    // the summary whole costs less, unless its cells are formulas.
    const int groups = grouping->groupStarts().size();
    m_keysSeen = {source, source->version, groups};
    if (groups < 2)
        return;
    // A summary of formulas: copies come from a row template, whatever the
    // categories' size (its check refuses any other summary).
    if (groups >= kMinTemplateGroups) {
        makeRowTemplate(copy, *source, grouping);
        if (m_grouped || grouping->size() < groups * kMinRowsPerGroup)
            return;
    } else if (grouping->size() < groups * kMinRowsPerGroup) {
        return;
    }

    // Sorting rows leaves their heights behind.
    if (!m_rows.rowsMayMove(copy, top, bottom))
        return;

    // First in the office's order: copies go in after their source, and every
    // sheet they push along costs the office time per formula it holds.
    const QString name = partName(1);
    auto sheet = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        sheets->copyByName(ou(sourceName), ou(name), 0);
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    m_values.invalidateValues();
    if (!sheet.is())
        return;
    Parts grouped;
    grouped.source = source;
    grouped.sourceVersion = source->version;
    grouped.column = copy.filter.column;
    grouped.grouping = grouping;
    grouped.parts << Part{m_sheets.stateOf(sheet), name, 0, grouping->size()};
    grouped.partsMade = 1;
    m_grouped = grouped;

    // Each row's grouped position sorts it there.
    QVector<double> position(grouping->size());
    for (int p = 0; p < grouping->size(); ++p)
        position[grouping->originalIndexAt(p)] = p;
    if (grouping->isIdentity()
        || m_rows.sortBlockRows(*m_grouped->parts.first().sheet, grouping->top(), grouping->bottom(), {position}))
        return;
    dropGroupedSource();
}

int GroupedSource::keysOf(const SheetState &source) const
{
    return m_keysSeen.source.lock().get() == &source && m_keysSeen.sourceVersion == source.version ? m_keysSeen.keys
                                                                                                     : 0;
}

void GroupedSource::dropGroupedSource()
{
    // The copies' held formulas come from the source or a part.
    copyAllHeldFormulas();
    if (!m_grouped)
        return;
    const Parts grouped = *m_grouped;
    m_grouped.reset();
    for (const Part &part : grouped.parts)
        m_sheets.states().remove(part.sheet->identity.get());
    guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        for (const Part &part : grouped.parts)
            sheets->removeByName(ou(part.name));
        return true;
    }, false);
    m_values.invalidateValues();
}

// An empty sheet named `name` stands in for a copy of `source` at `tab`.
std::shared_ptr<SheetState> GroupedSource::deferredCopy(SheetState &source, const QString &name, int tab, int index)
{
    if (!hasGroupedSourceFor(source))
        return nullptr;
    // A copy of the row template is what the stand-in becomes in the end:
    // each sheet put in ahead of the copies made before costs the office
    // time for every formula they hold, so it goes in once.
    auto copy = m_sheets.insertSheet(name, tab, index, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
        if (m_grouped->rowTemplate)
            sheets->copyByName(ou(m_grouped->parts.first().name), ou(name), static_cast<sal_Int16>(tab));
        else
            sheets->insertNewByName(ou(name), static_cast<sal_Int16>(tab));
    });
    if (copy) {
        copy->lineage.deferred = true;
        m_standInsMade = true;
    }
    return copy;
}

// A stand-in becomes a whole copy of its source, where it stands.
void GroupedSource::materialize(SheetState &copy)
{
    if (!copy.lineage.deferred)
        return;
    copy.lineage.deferred = false;
    const auto source = copy.lineage.source.lock();
    if (!source)
        return;
    if (!isUnchangedCopy(copy, *source))
        qWarning("sheetsplicer: a copy is made of a sheet that changed after it was copied");
    const QString name = m_sheets.nameOf(copy);
    const QString sourceName = m_sheets.nameOf(*source);
    const int tab = m_sheets.tabOf(copy);
    if (name.isNull() || sourceName.isNull() || tab < 0)
        return;
    auto sheet = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        sheets->removeByName(ou(name));
        sheets->copyByName(ou(sourceName), ou(name), static_cast<sal_Int16>(tab));
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    m_values.invalidateValues();
    if (sheet.is())
        m_sheets.replaceSheet(copy, sheet);
}

void GroupedSource::materializeCopiesOf(const SheetState &source)
{
    copyHeldFormulasFrom(source);
    if (!m_standInsMade)
        return;
    QList<std::shared_ptr<SheetState>> copies;
    for (const auto &state : qAsConst(m_sheets.states()))
        if (state->lineage.deferred && state->lineage.source.lock().get() == &source)
            copies << state;
    for (const auto &copy : copies)
        materialize(*copy);
}

void GroupedSource::materializeAll()
{
    // Asked before every write: the sheets are looked at only while stand-ins
    // may be left.
    if (!m_standInsMade)
        return;
    m_standInsMade = false;
    QList<std::shared_ptr<SheetState>> copies;
    for (const auto &state : qAsConst(m_sheets.states()))
        if (state->lineage.deferred)
            copies << state;
    for (const auto &copy : copies)
        materialize(*copy);
}

// Makes a stand-in the copy of its source that deleting `rows` leaves, from
// the grouped source, and whether that went well; none when it cannot be
// done that way, and the stand-in is then as it was.
std::optional<bool> GroupedSource::materializeForDelete(SheetState &copy, const QList<SheetArea> &rows)
{
    const auto source = copy.lineage.source.lock();
    if (!copy.lineage.deferred || !source || !isUnchangedCopy(copy, *source) || !hasGroupedSourceFor(*source))
        return std::nullopt;
    const std::shared_ptr<const RowGrouping> grouping = m_grouped->grouping;
    const std::optional<RowGrouping::KeptRows> kept = grouping->keptRows(rows);
    if (!kept)
        return std::nullopt;
    if (m_grouped->rowTemplate)
        return copyFromRowTemplate(copy, *source, *kept);
    const int index = groupedPartFor(*kept);
    if (index < 0)
        return std::nullopt;
    const Part part = m_grouped->parts.at(index);
    const std::optional<QList<SheetArea>> inPart = grouping->rowsToDeleteInPart(*kept, part.from, part.to);
    if (!inPart)
        return std::nullopt;
    const QString name = m_sheets.nameOf(copy);
    const int tab = m_sheets.tabOf(copy);
    if (name.isNull() || tab < 0)
        return std::nullopt;

    // The part cut down to the rows kept becomes the copy itself: no other
    // copy needs its rows. When every row of the block goes, any part does,
    // and a copy of it is enough.
    const bool takePart = !kept->positions.isEmpty();
    auto sheet = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        sheets->removeByName(ou(name));
        if (takePart) {
            // Before the sheet that followed the stand-in, which now stands at `tab`.
            uno::Reference<container::XNamed>(part.sheet->sheet, uno::UNO_QUERY_THROW)->setName(ou(name));
            sheets->moveByName(ou(name), static_cast<sal_Int16>(tab));
        } else {
            sheets->copyByName(ou(part.name), ou(name), static_cast<sal_Int16>(tab));
        }
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    if (takePart)
        m_grouped->parts.removeAt(index);
    m_values.invalidateValues();
    copy.lineage.deferred = false;
    if (!sheet.is())
        return false;
    m_sheets.replaceSheet(copy, sheet);
    return m_rows.deleteRowBlocks(copy, *inPart);
}

// The part of the grouped source that holds the kept rows and as few others
// as it takes, cut down to that first; -1 when none holds them all.
int GroupedSource::groupedPartFor(const RowGrouping::KeptRows &kept)
{
    const QList<Part> &parts = m_grouped->parts;
    if (kept.positions.isEmpty()) {
        // Every row of the block goes: the smallest part does.
        int smallest = 0;
        for (int i = 1; i < parts.size(); ++i)
            if (parts.at(i).to - parts.at(i).from < parts.at(smallest).to - parts.at(smallest).from)
                smallest = i;
        return smallest;
    }
    const int first = kept.positions.first();
    const int last = kept.positions.last();
    int index = -1;
    for (int i = 0; i < parts.size() && index < 0; ++i)
        if (parts.at(i).from <= first && last < parts.at(i).to)
            index = i;
    while (index >= 0) {
        const int at = m_grouped->grouping->splitPoint(parts.at(index).from, parts.at(index).to, first, last);
        if (at < 0)
            return index;
        if (!splitGroupedPart(index, at))
            return -1;
        if (first >= at)
            ++index; // the upper half, which went in after it
    }
    return index;
}

// Cuts a part in two at grouped position `at`: it keeps the groups before,
// a copy of it, next to it, those from there on.
bool GroupedSource::splitGroupedPart(int index, int at)
{
    Part &part = m_grouped->parts[index];
    const QString name = partName(++m_grouped->partsMade);
    const int top = m_grouped->grouping->top();
    const int lower = at - part.from;
    const int upper = part.to - at;
    auto sheet = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        sheets->copyByName(ou(part.name), ou(name), static_cast<sal_Int16>(officeTab(part.sheet->sheet) + 1));
        uno::Reference<sheet::XSpreadsheet> made(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
        removeRows(part.sheet->sheet, top + lower, upper);
        removeRows(made, top, lower);
        return made;
    }, uno::Reference<sheet::XSpreadsheet>());
    m_values.invalidateValues();
    if (!sheet.is()) {
        dropGroupedSource();
        return false;
    }
    const int to = part.to;
    part.to = at;
    m_grouped->parts.insert(index + 1, Part{m_sheets.stateOf(sheet), name, at, to});
    return true;
}
