#include "LoNodes.h"

#include "MemberCatalogue.h"
#include "FilterCriterion.h"

#include "Book.h"
#include "CalcFormulaSyntax.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"
#include "FormulaNotation.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/CellProtection.hpp>

using namespace css;

LoRange::LoRange(std::shared_ptr<OfficeSession> session, std::shared_ptr<Book> book, std::shared_ptr<SheetState> sheet,
                 QList<SheetArea> areas, Kind kind)
    : LoSheetNode(std::move(session), std::move(book), std::move(sheet))
    , m_areas(std::move(areas))
    , m_kind(kind)
{
}

std::shared_ptr<AutomationNode> LoRange::derived(QList<SheetArea> areas, Kind kind) const
{
    return std::make_shared<LoRange>(m_session, m_book, m_sheet, std::move(areas), kind);
}

QVariant LoRange::callMember(Member member, const QVariantList &args)
{
    switch (member) {
    case Member::Value:
        return value();
    case Member::SetValue:
        if (args.value(0).type() == QVariant::List)
            return setBlockValues(args.value(0).toList());
        return setValue(args.value(0));
    case Member::AutoFill:
        return fillFormats(args);
    case Member::Row:
    case Member::Column:
    case Member::Count:
        return getMember(member);
    case Member::AutoFilter:
        return autoFilter(args);
    case Member::Delete:
        return deleteRows();
    case Member::SetFormula:
        return setFormula(args.value(0).toString());
    case Member::FormulaR1C1:
        return formulaR1C1();
    case Member::SetFormulaR1C1:
        return setFormulaR1C1(args.value(0).toString());
    default:
        return QVariant();
    }
}

std::shared_ptr<AutomationNode> LoRange::queryMember(Member member, const QVariantList &args)
{
    if (m_areas.isEmpty())
        return nullptr;
    const SheetArea &first = m_areas.first();
    switch (member) {
    case Member::Rows:
        return derived(m_areas, Kind::Rows);
    case Member::Columns:
        return derived(m_areas, Kind::Columns);
    case Member::Cells:
        if (args.size() >= 2) {
            const int row = first.top + args.at(0).toInt() - 1;
            const int column = first.left + args.at(1).toInt() - 1;
            if (row < 1 || row > kSheetRows || column < 1 || column > kSheetColumns)
                return nullptr;
            return derived({SheetArea{row, column, row, column}});
        }
        return derived(m_areas);
    case Member::End:
        if (args.value(0).toInt() == 3)
            return endUp();
        return nullptr;
    case Member::SpecialCells:
        if (args.value(0).toInt() == Xl::cellTypeVisible)
            return visibleCells();
        return nullptr;
    case Member::MergeArea:
        return mergeArea();
    case Member::EntireRow: {
        QList<SheetArea> rows;
        for (const SheetArea &a : m_areas)
            rows << SheetArea{a.top, 1, a.bottom, kSheetColumns};
        return derived(rows, Kind::EntireRows);
    }
    default:
        return nullptr;
    }
}

QVariant LoRange::getMember(Member member)
{
    if (m_areas.isEmpty())
        return QVariant();
    const SheetArea &first = m_areas.first();
    switch (member) {
    case Member::Row:
        return first.top;
    case Member::Column:
        return first.left;
    case Member::Count: {
        qint64 count = 0;
        for (const SheetArea &a : m_areas) {
            if (m_kind == Kind::Rows || m_kind == Kind::EntireRows)
                count += a.rows();
            else if (m_kind == Kind::Columns)
                count += a.columns();
            else
                count += qint64(a.rows()) * a.columns();
        }
        // Excel counts the first area for Rows and Columns.
        if (m_kind == Kind::Rows)
            count = first.rows();
        else if (m_kind == Kind::Columns)
            count = first.columns();
        return count;
    }
    case Member::Value:
        return value();
    case Member::Text:
        return shownText();
    case Member::Address:
        return areasText(m_areas);
    default:
        return QVariant();
    }
}

bool LoRange::setMember(Member member, const QVariant &value)
{
    switch (member) {
    case Member::Locked:
    case Member::FormulaHidden:
        return setProtection(member, value.toBool());
    case Member::Value:
        return setValue(value).isValid();
    case Member::Formula:
        return setFormula(value.toString()).isValid();
    case Member::FormulaR1C1:
        return setFormulaR1C1(value.toString()).isValid();
    default:
        return false;
    }
}

// A cell's value; a block's, as Excel gives them, rows of values. A column
// is read alone, so the formulas of the sheet's other columns need not be
// calculated for it.
QVariant LoRange::value()
{
    const SheetArea &a = m_areas.first();
    if (m_kind != Kind::Cells || (a.rows() == 1 && a.columns() == 1))
        return m_book->valueAt(cells(), a.top, a.left);
    QVariantList rows;
    if (a.columns() == 1) {
        for (const QVariant &value : m_book->columnValues(cells(), a.left, a.top, a.bottom))
            rows << QVariant(QVariantList{value});
        return rows;
    }
    for (int row = a.top; row <= a.bottom; ++row) {
        QVariantList values;
        for (int column = a.left; column <= a.right; ++column)
            values << m_book->valueAt(cells(), row, column);
        rows << QVariant(values);
    }
    return rows;
}

QVariant LoRange::setValue(const QVariant &value)
{
    const SheetArea a = m_areas.first();
    const bool ok = guarded(session(), [&]() -> bool {
        uno::Reference<table::XCell> cell = m_sheet->sheet->getCellByPosition(a.left - 1, a.top - 1);
        if (value.userType() == QMetaType::Double || value.userType() == QMetaType::Int
            || value.userType() == QMetaType::LongLong)
            cell->setValue(value.toDouble());
        else
            cell->setFormula(ou(value.toString().startsWith('=') ? QStringLiteral("'") + value.toString() : value.toString()));
        return true;
    }, false);
    m_sheet->formulas.excel.remove({a.top, a.left});
    return ok ? QVariant(true) : QVariant();
}

// The first cell as the sheet shows it, in its number format.
QVariant LoRange::shownText()
{
    const SheetArea a = m_areas.first();
    return guarded(session(), [&]() -> QVariant {
        uno::Reference<text::XText> text(cells().sheet->getCellByPosition(a.left - 1, a.top - 1), uno::UNO_QUERY_THROW);
        return qs(text->getString());
    }, QVariant());
}

// The merged block the first cell belongs to, or that cell alone.
std::shared_ptr<AutomationNode> LoRange::mergeArea()
{
    const SheetArea a = m_areas.first();
    SheetState &content = cells();
    const std::optional<SheetArea> merged = guarded(session(), [&]() -> std::optional<SheetArea> {
        uno::Reference<table::XCellRange> cell = content.sheet->getCellRangeByPosition(a.left - 1, a.top - 1,
                                                                                       a.left - 1, a.top - 1);
        uno::Reference<sheet::XSheetCellCursor> cursor = content.sheet->createCursorByRange(
            uno::Reference<sheet::XSheetCellRange>(cell, uno::UNO_QUERY_THROW));
        cursor->collapseToMergedArea();
        const table::CellRangeAddress r =
            uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        return SheetArea{r.StartRow + 1, r.StartColumn + 1, r.EndRow + 1, r.EndColumn + 1};
    }, std::optional<SheetArea>());
    if (!merged)
        return nullptr;
    return derived({*merged});
}

// Excel's Ctrl+Up from the first cell of the range.
std::shared_ptr<AutomationNode> LoRange::endUp()
{
    // Here, not before the query: End answers only this direction.
    m_book->flushFormulas();
    const int column = m_areas.first().left;
    int row = m_areas.first().top;
    auto filled = [&](int r) {
        const QVariant v = m_book->valueAt(cells(), r, column);
        return v.isValid() && !v.toString().isEmpty();
    };
    if (row <= 1)
        return derived({SheetArea{1, column, 1, column}});
    if (filled(row) && filled(row - 1)) {
        // Inside a block: to its top.
        while (row > 1 && filled(row - 1))
            --row;
    } else {
        // Up to the next filled cell, or row 1.
        --row;
        const SheetArea used = m_sheet->valueArea;
        if (m_sheet->valuesValid && row > used.bottom)
            row = qMax(1, used.bottom);
        while (row > 1 && !filled(row))
            --row;
    }
    return derived({SheetArea{row, column, row, column}});
}

// AutoFilter(field, "<>value") hides the data rows of the current region whose
// value in that field equals the value; AutoFilter(field) shows them again.
QVariant LoRange::autoFilter(const QVariantList &args)
{
    if (args.size() < 2) {
        m_sheet->filter.active = false;
        m_sheet->filter.hiddenRows.clear();
        return true;
    }
    const int field = args.at(0).toInt();
    const std::optional<QString> excluded = excludedValue(args.at(1).toString());
    if (field < 1 || !excluded)
        return QVariant();
    // A block given whole is the filter's region, its first row the header;
    // a single cell stands for the current region around it.
    const SheetArea &given = m_areas.first();
    const bool block = given.bottom > given.top || given.right > given.left;
    // A copy just made is filtered on what its source holds: the summary's
    // region and column are read once for all its copies. A column with
    // formulas is read in the copy itself, where they may compute otherwise.
    SheetState *source = m_book->unchangedSourceOf(cells());
    const SheetArea region = block ? given : m_book->currentRegion(source ? *source : cells(), given.top, given.left);
    const int column = region.left + field - 1;
    if (column > region.right)
        return QVariant();
    m_sheet->filter.active = true;
    m_sheet->filter.column = column;
    m_sheet->filter.firstRow = region.top + 1;
    m_sheet->filter.lastRow = region.bottom;
    std::optional<QVector<QVariant>> fromSource;
    if (source)
        fromSource = m_book->formulaFreeColumn(*source, column, region.top + 1, region.bottom);
    const QVector<QVariant> values =
        fromSource ? *fromSource : m_book->columnValues(cells(), column, region.top + 1, region.bottom);
    m_sheet->filter.hiddenRows.fill(false, values.size());
    for (int i = 0; i < values.size(); ++i)
        m_sheet->filter.hiddenRows[i] = values.at(i).toString() == *excluded;
    return true;
}

std::shared_ptr<AutomationNode> LoRange::visibleCells()
{
    QList<SheetArea> visible;
    for (const SheetArea &a : m_areas) {
        if (!m_sheet->filter.active) {
            visible << a;
            continue;
        }
        int runStart = 0;
        for (int row = a.top; row <= a.bottom + 1; ++row) {
            const bool shown = row <= a.bottom && !m_sheet->isRowHidden(row);
            if (shown && !runStart)
                runStart = row;
            if (!shown && runStart) {
                visible << SheetArea{runStart, a.left, row - 1, a.right};
                runStart = 0;
            }
        }
    }
    if (visible.isEmpty())
        return nullptr;
    return derived(visible);
}

QVariant LoRange::deleteRows()
{
    if (m_kind != Kind::EntireRows)
        return QVariant();
    // Here, not before the call: only whole rows are deleted.
    m_book->flushFormulas();
    const bool ok = m_book->deleteRows(*m_sheet, m_areas);
    return ok ? QVariant(true) : QVariant();
}

QVariant LoRange::setFormula(const QString &formula)
{
    const SheetArea a = m_areas.first();
    const bool ok = guarded(session(), [&]() -> bool {
        uno::Reference<table::XCell> cell = m_sheet->sheet->getCellByPosition(a.left - 1, a.top - 1);
        const rtl::OUString before = cell->getFormula();
        cell->setFormula(ou(excelToCalcFormula(formula)));
        if (isSyntaxError(cell->getError())) {
            // A formula the office cannot read leaves the cell as it was.
            cell->setFormula(before);
            return false;
        }
        return true;
    }, false);
    if (ok)
        m_sheet->formulas.excel.insert({a.top, a.left}, formula);
    return ok ? QVariant(true) : QVariant();
}

QVariant LoRange::formulaR1C1()
{
    const SheetArea a = m_areas.first();
    // A block's formulas, as Excel gives them: rows of texts.
    if (m_kind == Kind::Cells && (a.rows() > 1 || a.columns() > 1)) {
        m_book->flushFormulas();
        const std::optional<QVector<QStringList>> block = m_book->r1c1FormulasOf(cells(), a);
        if (!block)
            return QVariant();
        QVariantList rows;
        for (const QStringList &row : *block) {
            QVariantList texts;
            for (const QString &text : row)
                texts << text;
            rows << QVariant(texts);
        }
        return rows;
    }
    const auto pending = m_sheet->formulas.r1c1.constFind({a.top, a.left});
    if (pending != m_sheet->formulas.r1c1.constEnd())
        return pending.value();
    const auto written = m_sheet->formulas.excel.constFind({a.top, a.left});
    if (written != m_sheet->formulas.excel.constEnd())
        return a1ToR1C1(written.value(), a.top, a.left);
    // Only now: a formula known here is answered without sending any.
    m_book->flushFormulas();
    const QString excel = m_book->excelFormulaAt(cells(), a.top, a.left);
    if (excel.isNull())
        return QVariant();
    return excel.startsWith('=') ? a1ToR1C1(excel, a.top, a.left) : excel;
}

QVariant LoRange::setFormulaR1C1(const QString &formula)
{
    for (const SheetArea &a : m_areas)
        for (int row = a.top; row <= a.bottom; ++row)
            for (int column = a.left; column <= a.right; ++column) {
                m_sheet->formulas.r1c1.insert({row, column}, formula);
                m_sheet->formulas.excel.remove({row, column});
            }
    // Cell by cell, the formulas go out as soon as they are set.
    if (m_book->unbuffered())
        m_book->flushFormulas();
    return true;
}

bool LoRange::setProtection(Member which, bool on)
{
    return guarded(session(), [&]() -> bool {
        uno::Reference<beans::XPropertySet> props = m_book->propertiesOf(*m_sheet, m_areas);
        util::CellProtection protection;
        props->getPropertyValue("CellProtection") >>= protection;
        if (which == Member::Locked)
            protection.IsLocked = on;
        else
            protection.IsFormulaHidden = on;
        props->setPropertyValue("CellProtection", uno::Any(protection));
        return true;
    }, false);
}
