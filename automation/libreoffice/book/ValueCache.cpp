#include "ValueCache.h"

#include <QHash>

#include "BookContext.h"
#include "SheetRegistry.h"

#include "FormulaNotation.h"
#include "Guarded.h"
#include "UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/AddressConvention.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>

using namespace css;

namespace {

constexpr int kBlockRows = 4096;

} // namespace

QVariant ValueCache::valueOf(const uno::Any &any)
{
    switch (any.getValueTypeClass()) {
    case uno::TypeClass_STRING: {
        const QString text = qs(any.get<rtl::OUString>());
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case uno::TypeClass_DOUBLE:
        return any.get<double>();
    case uno::TypeClass_LONG:
        return double(any.get<sal_Int32>());
    case uno::TypeClass_BOOLEAN:
        return any.get<bool>();
    default:
        return QVariant();
    }
}

// Calculation is off while the job writes; values are brought up to date
// once, when something reads them or the file is saved.
void ValueCache::calculateIfNeeded()
{
    if (!m_needsCalculation)
        return;
    m_needsCalculation = false;
    guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XCalculatable> calc(m_context.document(), uno::UNO_QUERY_THROW);
        calc->calculate();
        return true;
    }, false);
}

void ValueCache::invalidateValues()
{
    // From the first change on, formulas are computed once, before saving or
    // reading, not after every write.
    if (m_automaticCalculation && qEnvironmentVariableIntValue("SHEETSPLICER_AUTOCALC") == 0) {
        m_automaticCalculation = false;
        guarded(m_context.session(), [&]() -> bool {
            uno::Reference<sheet::XCalculatable>(m_context.document(), uno::UNO_QUERY_THROW)->enableAutomaticCalculation(false);
            return true;
        }, false);
    }
    m_needsCalculation = true;
    for (const auto &state : m_sheets.states()) {
        state->valuesValid = false;
        state->valueBlocks.clear();
    }
}

SheetArea ValueCache::readUsedArea(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
    uno::Reference<sheet::XUsedAreaCursor> used(cursor, uno::UNO_QUERY_THROW);
    used->gotoStartOfUsedArea(false);
    used->gotoEndOfUsedArea(true);
    uno::Reference<sheet::XCellRangeAddressable> addressable(cursor, uno::UNO_QUERY_THROW);
    const table::CellRangeAddress a = addressable->getRangeAddress();
    return SheetArea{a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1};
}

void ValueCache::loadUsedArea(SheetState &state)
{
    if (state.valuesValid)
        return;
    state.valueBlocks.clear();
    state.empty = true;
    state.valueArea = SheetArea{1, 1, 1, 1};
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        state.valueArea = readUsedArea(state.sheet);
        return true;
    }, false);
    state.empty = !ok;
    state.valuesValid = ok;
}

SheetArea ValueCache::usedArea(SheetState &state)
{
    loadUsedArea(state);
    return state.valueArea;
}

const QVector<QVariant> *ValueCache::valueBlock(SheetState &state, int block)
{
    auto found = state.valueBlocks.constFind(block);
    if (found != state.valueBlocks.constEnd())
        return &found.value();
    calculateIfNeeded();
    const SheetArea &area = state.valueArea;
    const int top = area.top + block * kBlockRows;
    const int bottom = qMin(area.bottom, top + kBlockRows - 1);
    if (top > bottom)
        return nullptr;
    QVector<QVariant> values;
    const int width = area.columns();
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<table::XCellRange> range = state.sheet->getCellRangeByPosition(
            area.left - 1, top - 1, area.right - 1, bottom - 1);
        uno::Reference<sheet::XCellRangeData> data(range, uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<uno::Any>> rows = data->getDataArray();
        values.resize((bottom - top + 1) * width);
        for (sal_Int32 r = 0; r < rows.getLength(); ++r) {
            const uno::Sequence<uno::Any> &row = rows[r];
            for (sal_Int32 c = 0; c < row.getLength() && c < width; ++c)
                values[r * width + c] = valueOf(row[c]);
        }
        return true;
    }, false);
    if (!ok)
        return nullptr;
    return &state.valueBlocks.insert(block, values).value();
}

QVariant ValueCache::valueAt(SheetState &state, int row, int column)
{
    if (m_context.unbuffered()) {
        calculateIfNeeded();
        return guarded(m_context.session(), [&]() -> QVariant {
            uno::Reference<sheet::XCellRangeData> cell(
                state.sheet->getCellRangeByPosition(column - 1, row - 1, column - 1, row - 1), uno::UNO_QUERY_THROW);
            return valueOf(cell->getDataArray()[0][0]);
        }, QVariant());
    }
    loadUsedArea(state);
    if (!state.valuesValid || !state.valueArea.contains(row, column))
        return QVariant();
    const int block = (row - state.valueArea.top) / kBlockRows;
    // While a calculation waits, a column without formulas is read alone:
    // its values need none, and the office's calculation visits every sheet.
    if (m_needsCalculation && !state.valueBlocks.contains(block)) {
        const SheetArea &area = state.valueArea;
        if (const std::optional<QVector<QVariant>> values = formulaFreeColumn(state, column, area.top, area.bottom))
            return values->value(row - area.top);
    }
    const QVector<QVariant> *values = valueBlock(state, block);
    if (!values)
        return QVariant();
    const int r = (row - state.valueArea.top) % kBlockRows;
    return values->value(r * state.valueArea.columns() + (column - state.valueArea.left));
}

// Excel's current region: the block around the cell bounded by empty rows
// and columns, as the office finds it in one call. Like Excel, it counts a
// formula that shows nothing as data.
SheetArea ValueCache::currentRegion(SheetState &state, int row, int column)
{
    const std::optional<SheetState::RegionRead> &last = state.lastRegion;
    if (!m_context.unbuffered() && last && last->row == row && last->column == column && last->version == state.version)
        return last->region;
    const SheetArea start{row, column, row, column};
    bool ok = false;
    const SheetArea region = guarded(m_context.session(), [&]() -> SheetArea {
        uno::Reference<sheet::XSheetCellRange> cell(
            state.sheet->getCellRangeByPosition(column - 1, row - 1, column - 1, row - 1), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetCellCursor> cursor = state.sheet->createCursorByRange(cell);
        cursor->collapseToCurrentRegion();
        uno::Reference<sheet::XCellRangeAddressable> addressable(cursor, uno::UNO_QUERY_THROW);
        const table::CellRangeAddress a = addressable->getRangeAddress();
        ok = true;
        return SheetArea{a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1};
    }, start);
    if (ok)
        state.lastRegion = SheetState::RegionRead{row, column, state.version, region};
    return region;
}

// One column's values: from the values already read, or with one call that
// reads that column alone.
QVector<QVariant> ValueCache::columnValues(SheetState &state, int column, int top, int bottom)
{
    QVector<QVariant> values;
    if (bottom < top)
        return values;
    if (m_context.unbuffered() || (state.valuesValid && !state.valueBlocks.isEmpty())) {
        values.reserve(bottom - top + 1);
        for (int row = top; row <= bottom; ++row)
            values << valueAt(state, row, column);
        return values;
    }
    if (const SheetState::ColumnRead *last = lastColumnRead(state, column, top, bottom); last && !last->hasFormulas)
        return last->values;
    return readColumn(state, column, top, bottom);
}

std::optional<QVector<QVariant>> ValueCache::formulaFreeColumn(SheetState &state, int column, int top, int bottom)
{
    if (m_context.unbuffered() || bottom < top)
        return std::nullopt;
    const SheetState::ColumnRead *last = lastColumnRead(state, column, top, bottom);
    if (!last) {
        readColumn(state, column, top, bottom);
        last = lastColumnRead(state, column, top, bottom);
    }
    if (!last || last->hasFormulas)
        return std::nullopt;
    return last->values;
}

const SheetState::ColumnRead *ValueCache::lastColumnRead(const SheetState &state, int column, int top, int bottom) const
{
    const std::optional<SheetState::ColumnRead> &last = state.lastColumnRead;
    if (last && last->column == column && last->top == top && last->bottom == bottom && last->version == state.version)
        return &*last;
    return nullptr;
}

QVector<QVariant> ValueCache::readColumn(SheetState &state, int column, int top, int bottom)
{
    QVector<QVariant> values(bottom - top + 1);
    // A column without formulas reads the same before calculation and after.
    bool checked = false;
    const bool hasFormulas = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XCellRangesQuery> query(
            state.sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1), uno::UNO_QUERY_THROW);
        const bool found = query->queryContentCells(sheet::CellFlags::FORMULA)->getCount() > 0;
        checked = true;
        return found;
    }, true);
    if (hasFormulas)
        calculateIfNeeded();
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XCellRangeData> data(
            state.sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1), uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<uno::Any>> rows = data->getDataArray();
        for (sal_Int32 r = 0; r < rows.getLength() && r < values.size(); ++r)
            if (rows[r].getLength() > 0)
                values[r] = valueOf(rows[r][0]);
        return true;
    }, false);
    if (checked && (hasFormulas || ok))
        state.lastColumnRead = SheetState::ColumnRead{column, top, bottom, state.version, hasFormulas,
                                                      hasFormulas ? QVector<QVariant>() : values};
    return values;
}

QString ValueCache::excelFormulaAt(SheetState &state, int row, int column)
{
    return guarded(m_context.session(), [&]() -> QString {
        uno::Reference<table::XCell> cell = state.sheet->getCellByPosition(column - 1, row - 1);
        if (cell->getType() != table::CellContentType_FORMULA)
            return qs(cell->getFormula());
        // Print the formula in Excel's own syntax.
        uno::Reference<lang::XMultiServiceFactory> factory(m_context.documentOf(state), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XFormulaParser> parser(
            factory->createInstance("com.sun.star.sheet.FormulaParser"), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> parserProps(parser, uno::UNO_QUERY_THROW);
        parserProps->setPropertyValue("FormulaConvention", uno::Any(sheet::AddressConvention::XL_A1));
        parserProps->setPropertyValue("CompileEnglish", uno::Any(true));
        uno::Reference<sheet::XFormulaTokens> tokens(cell, uno::UNO_QUERY_THROW);
        table::CellAddress position(static_cast<sal_Int16>(m_sheets.tabOf(state)), column - 1, row - 1);
        QString text = qs(parser->printFormula(tokens->getTokens(), position));
        if (!text.startsWith('='))
            text.prepend('=');
        return text;
    }, QString());
}

std::optional<QVector<QStringList>> ValueCache::r1c1FormulasOf(SheetState &state, const SheetArea &area)
{
    return guarded(m_context.session(), [&]() -> std::optional<QVector<QStringList>> {
        uno::Reference<table::XCellRange> range = state.sheet->getCellRangeByPosition(
            area.left - 1, area.top - 1, area.right - 1, area.bottom - 1);
        uno::Reference<sheet::XCellRangeFormula> block(range, uno::UNO_QUERY_THROW);
        const uno::Sequence<uno::Sequence<rtl::OUString>> texts = block->getFormulaArray();
        // One parser for the block, and each formula printed once: a formula
        // filled down a column is one R1C1 text, so cells whose own text
        // reads alike in R1C1 form print alike.
        uno::Reference<sheet::XFormulaParser> parser;
        QHash<QString, QString> printedByShape;
        QVector<QStringList> rows;
        for (sal_Int32 r = 0; r < texts.getLength(); ++r) {
            QStringList row;
            for (sal_Int32 c = 0; c < texts[r].getLength(); ++c) {
                QString text = qs(texts[r][c]);
                // An array formula comes in braces.
                if (text.startsWith(QLatin1String("{=")) && text.endsWith(QLatin1Char('}')))
                    text = text.mid(1, text.size() - 2);
                if (text.startsWith(QLatin1Char('=')) && text.size() > 1) {
                    const QString shape = a1ToR1C1(text, area.top + r, area.left + c);
                    const auto printed = printedByShape.constFind(shape);
                    if (printed != printedByShape.constEnd()) {
                        row << *printed;
                        continue;
                    }
                    if (!parser.is()) {
                        uno::Reference<lang::XMultiServiceFactory> factory(m_context.documentOf(state), uno::UNO_QUERY_THROW);
                        parser.set(factory->createInstance("com.sun.star.sheet.FormulaParser"), uno::UNO_QUERY_THROW);
                        uno::Reference<beans::XPropertySet> props(parser, uno::UNO_QUERY_THROW);
                        props->setPropertyValue("FormulaConvention", uno::Any(sheet::AddressConvention::XL_R1C1));
                        props->setPropertyValue("CompileEnglish", uno::Any(true));
                    }
                    const int rowNumber = area.top + r;
                    const int column = area.left + c;
                    uno::Reference<sheet::XFormulaTokens> tokens(
                        state.sheet->getCellByPosition(column - 1, rowNumber - 1), uno::UNO_QUERY_THROW);
                    const table::CellAddress position(static_cast<sal_Int16>(m_sheets.tabOf(state)), column - 1,
                                                      rowNumber - 1);
                    text = qs(parser->printFormula(tokens->getTokens(), position));
                    if (!text.startsWith(QLatin1Char('=')))
                        text.prepend(QLatin1Char('='));
                    printedByShape.insert(shape, text);
                }
                row << text;
            }
            rows << row;
        }
        return rows;
    }, std::optional<QVector<QStringList>>());
}
