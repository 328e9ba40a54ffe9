#include "FormulaReach.h"

#include "CellReference.h"
#include "FormulaTokens.h"
#include "ReferenceOperand.h"
#include "SheetNames.h"

#include <QStringList>

namespace {

FormulaReach wider(FormulaReach a, FormulaReach b)
{
    return int(a) > int(b) ? a : b;
}

// The sheet a prefix ("Sheet1!", "'My Sheet'!") names, unquoted; a prefix
// that names another workbook or several sheets gives no sheet.
QString prefixSheet(const QString &prefix)
{
    QString name = prefix.left(prefix.size() - 1);
    if (name.size() >= 2 && name.startsWith(QLatin1Char('\'')) && name.endsWith(QLatin1Char('\'')))
        name = name.mid(1, name.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    else if (name.contains(QLatin1Char(':')))
        return QString();
    if (name.startsWith(QLatin1Char('[')))
        return QString();
    return name;
}

FormulaReach pieceReach(const QString &body, int row)
{
    if (const std::optional<ReferencePart> part = parseR1C1Part(body)) {
        if (part->shape == ReferencePart::WholeColumn)
            return FormulaReach::OwnSheet;
        const bool ownRow = part->row.absolute ? part->row.value == row : part->row.value == 0;
        return ownRow ? FormulaReach::OwnRow : FormulaReach::OwnSheet;
    }
    // A table's reference: Table1[@Amount], [@Amount], Table1[[#This Row],[Amount]].
    const int bracket = body.indexOf(QLatin1Char('['));
    if (bracket >= 0) {
        const QString inside = body.mid(bracket);
        const bool thisRow = inside.contains(QLatin1Char('@')) || inside.contains(QStringLiteral("#This Row"), Qt::CaseInsensitive);
        return thisRow ? FormulaReach::OwnRow : FormulaReach::OwnSheet;
    }
    // Anything else is a name, whose reach cannot be seen from here.
    return FormulaReach::Beyond;
}

FormulaReach operandReach(const QString &operand, int row, const QString &sheetKey)
{
    const QString upper = operand.toUpper();
    if (upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE"))
        return FormulaReach::OwnRow;
    FormulaReach reach = FormulaReach::OwnRow;
    for (const OperandPiece &piece : operandPieces(operand)) {
        if (!piece.prefix.isEmpty()) {
            const QString sheet = prefixSheet(piece.prefix);
            if (sheet.isEmpty() || sheetNameKey(sheet) != sheetKey)
                return FormulaReach::Beyond;
        }
        reach = wider(reach, pieceReach(piece.body, row));
    }
    return reach;
}

} // namespace

FormulaReach formulaReach(const QString &formulaR1C1, int row, const QString &sheetName)
{
    // Functions whose reach is only known when they are calculated.
    static const QStringList unknownReach{QStringLiteral("INDIRECT"), QStringLiteral("OFFSET"),
                                          QStringLiteral("INFO"), QStringLiteral("CELL")};
    const QString sheetKey = sheetNameKey(sheetName);
    FormulaReach reach = FormulaReach::OwnRow;
    for (const FormulaToken &token : formulaTokens(formulaR1C1)) {
        // So is a function of another workbook or of an add-in.
        if (token.kind == FormulaToken::Function
            && (unknownReach.contains(token.text.toUpper()) || token.text.contains(QLatin1Char('!'))
                || token.text.startsWith(QLatin1String("_xll."), Qt::CaseInsensitive)))
            return FormulaReach::Beyond;
        if (token.kind == FormulaToken::Operand)
            reach = wider(reach, operandReach(token.text, row, sheetKey));
        if (reach == FormulaReach::Beyond)
            return reach;
    }
    return reach;
}
