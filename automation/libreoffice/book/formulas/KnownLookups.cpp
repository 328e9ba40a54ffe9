#include "KnownLookups.h"

#include "BookContext.h"
#include "FormulaBatch.h"
#include "LookupResults.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "FormulaNotation.h"
#include "Guarded.h"
#include "SheetUnlock.h"
#include "UnoText.h"

#include <QHash>

#include <algorithm>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotTablesSupplier.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>

using namespace css;

namespace {

// The block's values by column, or none when one of its formulas has failed
// (an error reads as an empty cell).
std::optional<QVector<QVector<QVariant>>> readColumns(const uno::Reference<sheet::XSpreadsheet> &sheet, int left,
                                                      int top, int right, int bottom)
{
    uno::Reference<table::XCellRange> range = sheet->getCellRangeByPosition(left - 1, top - 1, right - 1, bottom - 1);
    if (uno::Reference<sheet::XCellRangesQuery>(range, uno::UNO_QUERY_THROW)
            ->queryFormulaCells(sheet::FormulaResult::ERROR)
            ->getCount()
        > 0)
        return std::nullopt;
    const uno::Sequence<uno::Sequence<uno::Any>> rows
        = uno::Reference<sheet::XCellRangeData>(range, uno::UNO_QUERY_THROW)->getDataArray();
    QVector<QVector<QVariant>> columns(right - left + 1, QVector<QVariant>(bottom - top + 1));
    for (sal_Int32 r = 0; r < rows.getLength() && r <= bottom - top; ++r)
        for (sal_Int32 c = 0; c < rows[r].getLength() && c <= right - left; ++c)
            columns[c][r] = ValueCache::valueOf(rows[r][c]);
    return columns;
}

// SHEETSPLICER_LOOKUP_STAND_INS=0 has the office store the lookups themselves
// (to compare the two files).
bool standInsWanted()
{
    return !(qEnvironmentVariableIsSet("SHEETSPLICER_LOOKUP_STAND_INS")
             && qEnvironmentVariableIntValue("SHEETSPLICER_LOOKUP_STAND_INS") == 0);
}

// Each result in a block gets its cell's formula. A row's cells share one
// text where the formula reads no column relative to its own.
void giveFormulaTexts(QList<ooxml::SheetFormulaResults> *results, const QList<FormulaBatch::SentLookup> &blocks,
                      SheetRegistry &sheets)
{
    QHash<QString, ooxml::SheetFormulaResults *> byName;
    for (ooxml::SheetFormulaResults &sheet : *results)
        byName.insert(sheet.sheetName, &sheet);
    for (const FormulaBatch::SentLookup &block : blocks) {
        const std::shared_ptr<SheetState> state = block.sheet.lock();
        ooxml::SheetFormulaResults *sheet = state ? byName.value(sheets.nameOf(*state)) : nullptr;
        if (!sheet)
            continue;
        const SheetArea &a = block.area;
        const R1C1Formula formula(block.formula);
        const bool sameAcross = !formula.readsColumnsRelatively();
        const auto textAt = [&](int row, int column) {
            const QString text = formula.a1At(row, column);
            return text.startsWith(QLatin1Char('=')) ? text.mid(1) : text;
        };
        int row = 0;
        QString shared;
        for (ooxml::FormulaResult &cell : sheet->cells) {
            if (!a.contains(cell.row, cell.column))
                continue;
            if (cell.row != row) {
                row = cell.row;
                shared = textAt(row, a.left);
            }
            cell.formula = sameAcross ? shared : textAt(cell.row, cell.column);
        }
    }
}

struct Table
{
    QVector<QVector<QVariant>> columns;
    std::unique_ptr<LookupIndex> index;
};

} // namespace

std::optional<QList<ooxml::SheetFormulaResults>> KnownLookups::storeUncalculated()
{
    if (!m_formulas.heldLookups().isEmpty())
        return storeHeld();
    const QList<Sent> sent = m_formulas.takeSentLookups();
    if (sent.isEmpty() || !workbookAllows() || !stillAsSent(sent))
        return std::nullopt;
    bool otherFormulas = true;
    if (!nothingElseReads(sent, &otherFormulas)) {
        qCInfo(officeLog) << "lookups left to the office: other formulas may read them";
        return std::nullopt;
    }
    // With no other formula in the workbook, nothing else waits to be calculated.
    if (!otherFormulas) {
        const std::optional<QList<ooxml::SheetFormulaResults>> results = workOut(sent);
        if (results)
            qCInfo(officeLog) << "lookups stored uncalculated, their results known:" << sent.size() << "blocks";
        return results;
    }
    const QStringList &passwords = m_formulas.sheetPasswords();
    // Taken out: their cells left empty, formatting and comments kept.
    QList<Sent> cleared;
    const bool allCleared = guarded(m_context.session(), [&]() -> bool {
        for (const Sent &s : sent) {
            const std::shared_ptr<SheetState> state = s.sheet.lock();
            const SheetArea &a = s.area;
            // Sent again below even when the office fails half-way through.
            cleared << s;
            const bool done = editUnlocked(state->sheet, passwords, [&]() {
                uno::Reference<sheet::XSheetOperation>(
                    state->sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1),
                    uno::UNO_QUERY_THROW)
                    ->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME | sheet::CellFlags::STRING
                                    | sheet::CellFlags::FORMULA);
            });
            if (!done) {
                cleared.removeLast(); // no password lifted its protection: nothing was taken out
                return false;
            }
        }
        return true;
    }, false);
    std::optional<QList<ooxml::SheetFormulaResults>> results;
    if (cleared.size() == sent.size() && allCleared) {
        m_values.invalidateValues();
        m_values.calculateIfNeeded();
        results = workOut(sent);
    }
    // Sent again with the office's calculation off: stored with no result.
    for (const Sent &s : cleared) {
        const std::shared_ptr<SheetState> state = s.sheet.lock();
        bool written = false;
        guarded(m_context.session(), [&]() -> bool {
            return editUnlocked(state->sheet, passwords, [&]() { written = m_formulas.writeBlock(*state, s.area, s.formula); });
        }, false);
        if (!written)
            throw uno::RuntimeException("the category sheets' lookups could not be written back");
    }
    m_values.invalidateValues();
    if (!results)
        return std::nullopt;
    qCInfo(officeLog) << "lookups stored uncalculated, their results known:" << sent.size() << "blocks";
    return results;
}

// The office's settings under which its lookups find what LookupIndex
// finds, and nothing that keeps what it last saw of the cells (a chart's
// values, a pivot table's cache).
bool KnownLookups::workbookAllows()
{
    const bool allows = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<beans::XPropertySet> settings(m_context.document(), uno::UNO_QUERY_THROW);
        const auto flag = [&](const char *name) {
            return settings->getPropertyValue(rtl::OUString::createFromAscii(name)).get<bool>();
        };
        if (flag("RegularExpressions") || !flag("MatchWholeCell") || flag("CalcAsShown") || flag("IsIterationEnabled"))
            return false;
        uno::Reference<container::XIndexAccess> sheets(m_context.document()->getSheets(), uno::UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
            uno::Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(i), uno::UNO_QUERY_THROW);
            if (uno::Reference<table::XTableChartsSupplier>(sheet, uno::UNO_QUERY_THROW)->getCharts()->hasElements())
                return false;
            // A pivot table's cache takes the cells' values as the office stores them.
            if (uno::Reference<sheet::XDataPilotTablesSupplier>(sheet, uno::UNO_QUERY_THROW)->getDataPilotTables()->hasElements())
                return false;
        }
        return true;
    }, false);
    if (!allows)
        qCInfo(officeLog) << "lookups left to the office: its settings, a chart or a pivot table";
    return allows;
}

// Each block still holds formulas in every cell and nothing else wrote one there.
bool KnownLookups::stillAsSent(const QList<Sent> &sent)
{
    return guarded(m_context.session(), [&]() -> bool {
        for (const Sent &s : sent) {
            const std::shared_ptr<SheetState> state = s.sheet.lock();
            if (!state || state->aside.document.is())
                return false;
            for (auto it = state->formulas.excel.constBegin(); it != state->formulas.excel.constEnd(); ++it)
                if (s.area.contains(it.key().first, it.key().second))
                    return false;
            const SheetArea &a = s.area;
            const uno::Sequence<table::CellRangeAddress> formulas
                = uno::Reference<sheet::XCellRangesQuery>(
                      state->sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1),
                      uno::UNO_QUERY_THROW)
                      ->queryContentCells(sheet::CellFlags::FORMULA)
                      ->getRangeAddresses();
            if (formulas.getLength() != 1)
                return false;
            const table::CellRangeAddress &f = formulas[0];
            if (f.StartRow != a.top - 1 || f.EndRow != a.bottom - 1 || f.StartColumn != a.left - 1
                || f.EndColumn != a.right - 1)
                return false;
        }
        return true;
    }, false);
}

// No formula could read the lookups' cells: none besides them on their own
// sheets, none elsewhere that names their sheets, directly or through a
// defined name, and none that reads cells by a text (INDIRECT) or an offset.
bool KnownLookups::nothingElseReads(const QList<Sent> &sent, bool *otherFormulas)
{
    *otherFormulas = false;
    return guarded(m_context.session(), [&]() -> bool {
        // The office gives a new handle to a sheet each time: sheets are told by name.
        QHash<QString, QList<SheetArea>> blocks;
        QStringList names{QStringLiteral("INDIRECT"), QStringLiteral("OFFSET")};
        for (const Sent &s : sent) {
            const QString name = m_sheets.nameOf(*s.sheet.lock());
            if (!blocks.contains(name))
                names << name << QString(name).replace(QLatin1Char('\''), QStringLiteral("''"));
            blocks[name] << s.area;
        }
        const auto inBlocks = [&](const QList<SheetArea> &areas, const table::CellRangeAddress &r) {
            for (const SheetArea &a : areas)
                if (r.StartRow >= a.top - 1 && r.EndRow <= a.bottom - 1 && r.StartColumn >= a.left - 1
                    && r.EndColumn <= a.right - 1)
                    return true;
            return false;
        };
        const auto namesAny = [&](const QString &text) {
            for (const QString &name : names)
                if (text.contains(name, Qt::CaseInsensitive))
                    return true;
            return false;
        };
        uno::Reference<beans::XPropertySet> document(m_context.document(), uno::UNO_QUERY_THROW);
        uno::Reference<container::XIndexAccess> definedNames(document->getPropertyValue("NamedRanges"), uno::UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < definedNames->getCount(); ++i)
            if (namesAny(qs(uno::Reference<sheet::XNamedRange>(definedNames->getByIndex(i), uno::UNO_QUERY_THROW)->getContent())))
                return false;
        uno::Reference<container::XIndexAccess> sheets(m_context.document()->getSheets(), uno::UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
            uno::Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(i), uno::UNO_QUERY_THROW);
            const auto own = blocks.constFind(qs(uno::Reference<container::XNamed>(sheet, uno::UNO_QUERY_THROW)->getName()));
            const QList<SheetArea> areas = own == blocks.constEnd() ? QList<SheetArea>() : own.value();
            const uno::Sequence<table::CellRangeAddress> formulas
                = uno::Reference<sheet::XCellRangesQuery>(sheet, uno::UNO_QUERY_THROW)
                      ->queryContentCells(sheet::CellFlags::FORMULA)
                      ->getRangeAddresses();
            for (const table::CellRangeAddress &r : formulas) {
                if (inBlocks(areas, r))
                    continue;
                *otherFormulas = true;
                // Any other formula on a lookup's own sheet might read it.
                if (!areas.isEmpty())
                    return false;
                const uno::Sequence<uno::Sequence<rtl::OUString>> texts
                    = uno::Reference<sheet::XCellRangeFormula>(
                          sheet->getCellRangeByPosition(r.StartColumn, r.StartRow, r.EndColumn, r.EndRow), uno::UNO_QUERY_THROW)
                          ->getFormulaArray();
                for (const auto &row : texts)
                    for (const rtl::OUString &text : row)
                        if (namesAny(qs(text)))
                            return false;
            }
        }
        return true;
    }, false);
}

// The lookups held back by the flush before saving: everything else is
// calculated while they are not in the workbook, and they go in after it.
std::optional<QList<ooxml::SheetFormulaResults>> KnownLookups::storeHeld()
{
    const QList<Sent> held = m_formulas.heldLookups();
    std::optional<QList<ooxml::SheetFormulaResults>> results;
    bool otherFormulas = true;
    if (!workbookAllows()) {
        // the office calculates them after all
    } else if (!nothingElseReads(held, &otherFormulas)) {
        qCInfo(officeLog) << "lookups left to the office: other formulas may read them";
    } else {
        m_values.calculateIfNeeded();
        results = workOut(held);
    }
    // Stand-ins stored, their formulas written into the package with the results.
    if (results && standInsWanted() && m_formulas.standInHeldLookups()) {
        giveFormulaTexts(&*results, held, m_sheets);
        qCInfo(officeLog) << "lookups stored uncalculated as stand-ins, their formulas and results known:" << held.size() << "blocks";
        return results;
    }
    // With the office's calculation off: stored with no result.
    if (!m_formulas.sendHeldLookups())
        throw uno::RuntimeException("the category sheets' lookups could not be written");
    m_formulas.takeSentLookups();
    m_values.invalidateValues();
    if (results)
        qCInfo(officeLog) << "lookups stored uncalculated, their results known:" << held.size() << "blocks, held back";
    return results;
}

std::optional<QList<ooxml::SheetFormulaResults>> KnownLookups::workOut(const QList<Sent> &sent)
{
    QHash<QString, QVector<ooxml::FormulaResult>> bySheet;
    QStringList sheetOrder;
    QHash<QString, std::shared_ptr<Table>> tables;
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        for (const Sent &s : sent) {
            const std::shared_ptr<SheetState> state = s.sheet.lock();
            const QString name = m_sheets.nameOf(*state);
            const std::optional<LookupFormula> f = parseLookupFormula(s.formula);
            const SheetArea &a = s.area;
            // A lookup of its own sheet, of its own cell, or beyond the
            // table's columns is the office's to work out.
            if (name.isNull() || !f || f->tableSheet == name || a.left <= f->keyColumn || a.right > f->right)
                return false;
            const auto keys = readColumns(state->sheet, f->keyColumn, a.top, f->keyColumn, a.bottom);
            if (!keys)
                return false;
            const QString tableKey
                = QStringLiteral("%1|%2|%3|%4|").arg(f->keyColumn).arg(f->top).arg(f->bottom).arg(f->right) + f->tableSheet;
            std::shared_ptr<Table> &table = tables[tableKey];
            if (!table) {
                uno::Reference<container::XNameAccess> names(m_context.document()->getSheets(), uno::UNO_QUERY_THROW);
                if (!names->hasByName(ou(f->tableSheet)))
                    return false;
                const uno::Reference<sheet::XSpreadsheet> summary(names->getByName(ou(f->tableSheet)), uno::UNO_QUERY_THROW);
                auto read = readColumns(summary, f->keyColumn, f->top, f->right, f->bottom);
                if (!read)
                    return false;
                table = std::make_shared<Table>();
                table->columns = *read;
                table->index = std::make_unique<LookupIndex>(table->columns.first());
            }
            if (!bySheet.contains(name))
                sheetOrder << name;
            QVector<ooxml::FormulaResult> &cells = bySheet[name];
            cells.reserve(cells.size() + a.rows() * a.columns());
            for (int row = a.top; row <= a.bottom; ++row) {
                const std::optional<int> at = table->index->rowOf(keys->first().at(row - a.top));
                if (!at)
                    return false;
                for (int column = a.left; column <= a.right; ++column) {
                    const std::optional<QVariant> shown = lookupShows(table->columns.at(column - f->keyColumn).at(*at));
                    if (!shown)
                        return false;
                    cells.append({row, column, *shown, {}});
                }
            }
        }
        return true;
    }, false);
    if (!ok) {
        qCInfo(officeLog) << "lookups left to the office: a key it could match otherwise, or a value it shows otherwise";
        return std::nullopt;
    }
    QList<ooxml::SheetFormulaResults> results;
    for (const QString &name : sheetOrder) {
        QVector<ooxml::FormulaResult> &cells = bySheet[name];
        std::sort(cells.begin(), cells.end(), [](const ooxml::FormulaResult &x, const ooxml::FormulaResult &y) {
            return x.row < y.row || (x.row == y.row && x.column < y.column);
        });
        results << ooxml::SheetFormulaResults{name, cells};
    }
    return results;
}
