// Copies of a summary made in side documents while it is split (see
// SideDocuments.h), and their way into the workbook.
//
// Copies of a sheet that loses rows are made in the workbook at first. Once
// an .xls workbook holds a few dozen sheets, and when no grouped source is
// made (categories of few rows each), the copy just made goes aside, and
// later copies of the same, unchanged sheet are made in side documents,
// where the caller reads them, deletes their rows, filters and renames them
// as usual. Anything else (a write anywhere, a copy of such a copy, showing
// it, saving) first brings every one of them into the workbook, in the
// caller's order.

#include "BookSideCopies.h"

#include "BookContext.h"

#include "CompoundFile.h"
#include "Guarded.h"
#include "OfficeSession.h"

#include <algorithm>

using namespace css;

BookSideCopies::BookSideCopies(BookContext &context, SheetRegistry &sheets, GroupedSource &grouped,
                               ValueCache &values)
    : m_session(context.session())
    , m_document(context.document())
    , m_sourcePath(context.packagePath())
    , m_unbuffered(context.unbuffered())
    , m_sheets(sheets)
    , m_grouped(grouped)
    , m_values(values)
    , m_states(sheets.states())
    , m_order(sheets.order())
    , m_sideFromSheets(qgetenv("SHEETSPLICER_SIDE_DOCUMENTS") == "0"        ? -1
                       : qgetenv("SHEETSPLICER_SIDE_DOCUMENTS") == "always" ? 0
                                                                            : SideDocuments::kWorkbookSheets)
{
}

// Called when a fresh copy has just lost its other categories' rows.
void BookSideCopies::considerSideCopies(SheetState &copy)
{
    const auto source = copy.lineage.source.lock();
    if (m_unbuffered || m_sideFromSheets < 0 || copy.aside.document.is() || !source || source->aside.document.is() || !copy.filter.active
        || hasGroupedSourceFor(*source) || !isUnchangedCopy(copy, *source))
        return;
    if (m_sideSource.lock() == source && m_sideSourceVersion == source->version)
        return;
    // With hundreds of categories to come, copies go aside from the first
    // one: the copies made in the workbook until it holds kWorkbookSheets
    // would cost more there, and again to send them aside.
    const int sheets = sheetCount();
    if (sheets < m_sideFromSheets && sheets + m_grouped.keysOf(*source) - 1 < SideDocuments::kWorkbookSheetsAtOnce)
        return;
    // Only an .xls workbook gains: the office gives each of its sheets all
    // 256 columns of the format, and every row delete and sheet insertion
    // visits each column of each sheet. In a workbook from a package, the
    // copies made in the workbook cost about as much at 500 sheets as at 50,
    // and bringing copies in from aside costs more than it saves there.
    if (!m_takesSheets && m_sideFromSheets != 0 && !CompoundFile::isCompoundFile(m_sourcePath))
        m_takesSheets = false;
    if ((m_takesSheets && !*m_takesSheets) || (m_keptIn.lock() == source && m_keptInVersion == source->version))
        return;
    const bool carried = guarded(m_session, [&]() -> bool {
        return SideDocuments::canCarry(m_document, source->sheet);
    }, false);
    if (!carried) {
        m_keptIn = source;
        m_keptInVersion = source->version;
        return;
    }
    if (!m_takesSheets)
        m_takesSheets = SideDocuments::workbookTakesSheets(m_sourcePath);
    if (!*m_takesSheets)
        return;
    m_sideSource = source;
    m_sideSourceVersion = source->version;
    qCInfo(officeLog) << "copies of" << nameOf(*source) << "are made in side documents";

    // The copies made so far go aside too, so that all of them come back
    // together, at the workbook's end, where the office adds a sheet for
    // least.
    QList<std::shared_ptr<SheetState>> made;
    for (const auto &state : qAsConst(m_states))
        if (state->lineage.source.lock() == source && !state->aside.document.is() && !state->lineage.deferred && !isGroupedPart(*state)
            && state->formulas.r1c1.isEmpty() && !state->formulas.protection)
            made << state;
    for (const auto &state : qAsConst(made))
        sendAside(*state, *source);
}

// A copy in the workbook moves into the side document that takes the next
// copy of `source`; where it was when that fails.
void BookSideCopies::sendAside(SheetState &copy, SheetState &source)
{
    const QString name = nameOf(copy);
    const QString sourceName = nameOf(source);
    if (name.isNull() || sourceName.isNull())
        return;
    if (!m_side)
        m_side = std::make_unique<SideDocuments>(m_session);
    const uno::Reference<sheet::XSpreadsheet> taken = m_side->take(m_document, sourceName, source.version, name);
    invalidateValues();
    if (!taken.is())
        return;
    m_order.leftOffice(copy.identity.get());
    copy.aside.document = m_side->lastDocument();
    copy.aside.name = name;
    replaceSheet(copy, taken);
}

std::shared_ptr<SheetState> BookSideCopies::sideCopy(SheetState &source, const QString &name, int index)
{
    if (m_sideSource.lock().get() != &source || m_sideSourceVersion != source.version || source.aside.document.is())
        return nullptr;
    const QString sourceName = nameOf(source);
    if (sourceName.isNull())
        return nullptr;
    if (!m_side)
        m_side = std::make_unique<SideDocuments>(m_session);
    const uno::Reference<sheet::XSpreadsheet> made = m_side->copy(m_document, sourceName, source.version, name);
    if (!made.is())
        return nullptr;
    auto state = stateOf(made);
    state->aside.document = m_side->lastDocument();
    state->aside.name = name;
    m_order.insertedElsewhere(state->identity.get(), index);
    return state;
}

// Front to back in the caller's order, each right after the sheet before it,
// so a block of copies at the end of the workbook goes in at its end.
bool BookSideCopies::bringInSideCopies()
{
    // Every write comes here: without side documents there is nothing to do.
    if (!m_side)
        return true;
    QList<std::shared_ptr<SheetState>> away;
    for (const auto &state : qAsConst(m_states))
        if (state->aside.document.is())
            away << state;
    if (away.isEmpty()) {
        m_side.reset();
        return true;
    }
    dropGroupedSource(); // the office's order is then the one the orders hold
    bool ok = m_order.known();
    QList<QPair<int, std::shared_ptr<SheetState>>> byIndex;
    for (const auto &state : qAsConst(away)) {
        const int index = m_order.indexOf(state->identity.get());
        ok = ok && index >= 0;
        byIndex.append({index, state});
    }
    std::sort(byIndex.begin(), byIndex.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &entry : qAsConst(byIndex)) {
        if (!ok)
            break;
        SheetState &state = *entry.second;
        int tab = 0;
        for (int i = entry.first - 1; i >= 0; --i) {
            const int office = m_order.officeIndexOf(m_order.at(i));
            if (office >= 0) {
                tab = office + 1;
                break;
            }
        }
        const QString name = nameOf(state);
        const uno::Reference<sheet::XSpreadsheet> arrived = guarded(m_session, [&]() {
            return m_side->bringInto(m_document, tab, state.aside.document, name);
        }, uno::Reference<sheet::XSpreadsheet>());
        if (!arrived.is() || name.isNull()) {
            ok = false;
            break;
        }
        state.aside.document.clear();
        state.aside.name.clear();
        replaceSheet(state, arrived);
        m_order.arrived(state.identity.get(), tab);
    }
    m_side->finish(m_document);
    invalidateValues();
    if (!ok) {
        qCWarning(officeLog) << "the sheets made in side documents could not all be brought into the workbook";
        return false;
    }
    m_side.reset();
    return true;
}
