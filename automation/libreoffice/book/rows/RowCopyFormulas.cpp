#include "RowCopyFormulas.h"

#include "CellReference.h"
#include "FormulaTokens.h"
#include "ReferenceOperand.h"

namespace {

bool partStays(const ReferencePart &part, int row, int blockTop)
{
    switch (part.shape) {
    case ReferencePart::WholeColumn:
        return true;
    case ReferencePart::WholeRow:
        return false;
    case ReferencePart::Cell:
        break;
    }
    return part.row.absolute ? part.row.value < blockTop : part.row.value == row;
}

} // namespace

bool formulaCopiesAsItMoves(const QString &formula, int row, int blockTop)
{
    if (!formula.startsWith(QLatin1Char('=')))
        return true;
    for (const FormulaToken &token : formulaTokens(formula)) {
        if (token.kind != FormulaToken::Operand)
            continue;
        for (const OperandPiece &piece : operandPieces(token.text)) {
            if (!piece.prefix.isEmpty())
                return false;
            const std::optional<ReferencePart> part = parseA1Part(piece.body);
            if (!part || !partStays(*part, row, blockTop))
                return false;
        }
    }
    return true;
}
