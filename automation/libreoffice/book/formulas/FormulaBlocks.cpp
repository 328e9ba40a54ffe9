#include "FormulaBlocks.h"

#include "CellNotes.h"
#include "UnoText.h"

#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/table/XCell.hpp>

using namespace css;

namespace {

bool isArrayFormula(const rtl::OUString &formula) { return formula.startsWith("{"); }

} // namespace

int rewriteFormulaBlock(const uno::Reference<sheet::XSpreadsheet> &sheet, const table::CellRangeAddress &block,
                        const std::function<QString(const QString &)> &change)
{
    uno::Reference<sheet::XCellRangeFormula> cells(
        sheet->getCellRangeByPosition(block.StartColumn, block.StartRow, block.EndColumn, block.EndRow),
        uno::UNO_QUERY_THROW);
    uno::Sequence<uno::Sequence<rtl::OUString>> formulas = cells->getFormulaArray();
    bool arrays = false;
    bool changed = !change;
    int count = 0;
    for (auto &row : formulas) {
        for (rtl::OUString &formula : row) {
            ++count;
            if (isArrayFormula(formula)) {
                arrays = true;
                continue;
            }
            if (change) {
                const rtl::OUString now = ou(change(qs(formula)));
                changed = changed || now != formula;
                formula = now;
            }
        }
    }
    if (!changed)
        return 0;
    const CellNotes notes = keepNotes(sheet, block.StartColumn, block.StartRow, block.EndColumn, block.EndRow);
    if (!arrays) {
        cells->setFormulaArray(formulas);
        restoreNotes(sheet, notes);
        return count;
    }
    count = 0;
    for (sal_Int32 r = 0; r < formulas.getLength(); ++r) {
        for (sal_Int32 c = 0; c < formulas[r].getLength(); ++c) {
            if (isArrayFormula(formulas[r][c]))
                continue;
            sheet->getCellByPosition(block.StartColumn + c, block.StartRow + r)->setFormula(formulas[r][c]);
            ++count;
        }
    }
    restoreNotes(sheet, notes);
    return count;
}
