#pragma once

#include "SheetArea.h"
#include "SheetState.h"

#include <QString>
#include <QStringList>

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/table/XCellRange.hpp>

#include <optional>
#include <utility>
#include <vector>

class BookContext;
class SheetRegistry;
class ValueCache;

// Formulas written with SetFormulaR1C1 wait on their sheet and go to the
// office in batches (filled down where a block repeats one), and a Protect
// waits until its sheet's formulas are in.
class FormulaBatch
{
public:
    FormulaBatch(BookContext &context, SheetRegistry &sheets, ValueCache &values)
        : m_context(context)
        , m_sheets(sheets)
        , m_values(values)
    {
    }

    // Sends every waiting formula to the office; called before anything that
    // could see the cells.
    void flushFormulas();
    // Sends one sheet's waiting formulas, and then its waiting protection;
    // called before a write to that sheet.
    void flushFormulasOf(SheetState &state);
    // Excel's Worksheet.Protect.
    bool protectSheet(SheetState &state, const QString &password);
    // Before a cell's protection flags change: a waiting Protect comes first.
    void flushProtectionOf(SheetState &state);
    // Excel's Worksheet.ProtectContents of the sheet whose cells `content`
    // holds; none when the office cannot be asked.
    std::optional<bool> sheetProtected(SheetState &content);
    // Every password a sheet was protected with, "" first.
    const QStringList &sheetPasswords() const { return m_sheetPasswords; }

    // A block of one lookup formula sent to the office (see KnownLookups).
    struct SentLookup
    {
        std::weak_ptr<SheetState> sheet;
        SheetArea area;
        QString formula; // R1C1
    };
    // The lookup blocks sent since the last time, each as it was sent; a
    // block written over since is not among them.
    QList<SentLookup> takeSentLookups();
    // As flushFormulas, but lookup blocks, and a Protect of their sheets,
    // are held back until sendHeldLookups: before saving, so that the office
    // calculates every other formula without them (see KnownLookups). Any
    // later flush of a sheet, or Protect, sends its held blocks first.
    void flushFormulasHoldingLookups();
    QList<SentLookup> heldLookups() const { return m_heldLookups; }
    // Sends the blocks held or stood in for, then the Protect of their
    // sheets; false when the office did not take one (it stays held).
    bool sendHeldLookups();
    // Before storing an .xlsx whose lookups' results are known: each held
    // block gets a stand-in, a number in every cell but its first and last,
    // which get the lookup (the office's own text of it, to check the
    // package's against), and the Protect of their sheets goes out. The
    // office stores numbers in a fraction of the time it takes to print
    // formulas; the package's finishing writes every cell's formula. Until
    // the next save, anything that flushes the sheet writes the block as
    // ever. False when the office did not take a stand-in: that block and
    // those after it stay held, and sendHeldLookups writes them all.
    bool standInHeldLookups();
    // Sends a block of one formula as a flush does; false when the office
    // did not take it.
    bool writeBlock(SheetState &state, const SheetArea &area, const QString &formula);

private:
    void flushSheet(SheetState &state, bool holdLookups = false);
    bool sendHeldLookupsOf(SheetState &state);
    bool writeStandIn(SheetState &state, const SheetArea &area, const QString &formula);
    bool writeCellByCell(SheetState &state, const SheetArea &area, const QString &formula);
    bool writeByFill(SheetState &state, const SheetArea &area, const QString &formula);
    struct KeptFormats
    {
        css::uno::Sequence<rtl::OUString> names;
        std::vector<std::pair<css::uno::Reference<css::beans::XMultiPropertySet>, css::uno::Sequence<css::uno::Any>>> groups;
    };
    KeptFormats keepFormats(const css::uno::Reference<css::table::XCellRange> &block, const SheetArea &area);
    void restoreFormats(const KeptFormats &kept);

    css::uno::Sequence<rtl::OUString> formatPropertyNames(const css::uno::Reference<css::table::XCellRange> &block);

    BookContext &m_context;
    SheetRegistry &m_sheets;
    ValueCache &m_values;
    QStringList m_sheetPasswords{QString()};
    css::uno::Sequence<rtl::OUString> m_formatNames;
    QList<SentLookup> m_sentLookups;
    QList<SentLookup> m_heldLookups;
    QList<SentLookup> m_stoodIn;
};
