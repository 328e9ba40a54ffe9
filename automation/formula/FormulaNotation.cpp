#include "FormulaNotation.h"

#include "CellReference.h"
#include "FormulaTokens.h"
#include "ReferenceOperand.h"

#include <QVector>

#include <optional>

namespace {

using PartParser = std::optional<ReferencePart> (*)(const QString &);

bool isSheetCell(int row, int column)
{
    return row >= 1 && row <= kSheetRows && column >= 1 && column <= kSheetColumns;
}

bool isLine(const ReferencePart &part)
{
    return part.shape != ReferencePart::Cell;
}

// An operand read as a reference in one notation.
struct ParsedOperand {
    QList<OperandPiece> pieces;
    QList<std::optional<ReferencePart>> parts; // one per piece; empty where not a reference
    QString spill;                             // "#" of a spill reference such as A1#
};

// nullopt when the operand is no reference at all (a name, TRUE, a table
// reference) or a shape Excel would not accept, such as A1:C.
// singleLines: whether a lone row or column is a reference (R3, C[1] in R1C1)
// or not (A, which can only be a name, in A1).
std::optional<ParsedOperand> parseOperand(const QString &operand, PartParser parsePart,
                                          bool singleLines)
{
    ParsedOperand parsed;
    parsed.pieces = operandPieces(operand);
    if (parsed.pieces.size() == 1 && parsed.pieces.first().body.endsWith(QLatin1Char('#'))) {
        parsed.pieces.first().body.chop(1);
        parsed.spill = QStringLiteral("#");
    }

    bool anyReference = false;
    bool anyLine = false;
    for (const OperandPiece &piece : qAsConst(parsed.pieces)) {
        const std::optional<ReferencePart> part = parsePart(piece.body);
        parsed.parts.append(part);
        anyReference = anyReference || part.has_value();
        anyLine = anyLine || (part && isLine(*part));
    }
    if (!anyReference)
        return std::nullopt;
    if (anyLine) {
        // Whole rows and columns come alone or in pairs of the same shape.
        if (!parsed.spill.isEmpty() || parsed.pieces.size() > 2)
            return std::nullopt;
        if (parsed.pieces.size() == 1 && !singleLines)
            return std::nullopt;
        if (parsed.pieces.size() == 2
            && !(parsed.parts.at(0) && parsed.parts.at(1)
                 && parsed.parts.at(0)->shape == parsed.parts.at(1)->shape))
            return std::nullopt;
    }
    return parsed;
}

QString a1OperandToR1C1(const QString &operand, int row, int column)
{
    std::optional<ParsedOperand> parsed = parseOperand(operand, parseA1Part, false);
    if (!parsed)
        return operand;
    for (int k = 0; k < parsed->pieces.size(); ++k) {
        std::optional<ReferencePart> part = parsed->parts.at(k);
        if (!part)
            continue;
        if (!part->row.absolute)
            part->row.value -= row;
        if (!part->column.absolute)
            part->column.value -= column;
        parsed->pieces[k].body = r1c1PartText(*part);
    }
    // A:A is written C1, 3:3 is R3: a single row or column needs no pair.
    if (parsed->pieces.size() == 2 && parsed->parts.at(0) && isLine(*parsed->parts.at(0))
        && parsed->pieces.at(1).prefix.isEmpty()
        && parsed->pieces.at(0).body == parsed->pieces.at(1).body)
        parsed->pieces.removeLast();
    return operandText(parsed->pieces) + parsed->spill;
}

// Makes the relative coordinates of a part absolute numbers for the target
// cell; false when that lands outside the sheet.
bool resolveAt(ReferencePart &part, int row, int column)
{
    if (part.shape != ReferencePart::WholeColumn) {
        if (!part.row.absolute)
            part.row.value += row;
        if (part.row.value < 1 || part.row.value > kSheetRows)
            return false;
    }
    if (part.shape != ReferencePart::WholeRow) {
        if (!part.column.absolute)
            part.column.value += column;
        if (part.column.value < 1 || part.column.value > kSheetColumns)
            return false;
    }
    return true;
}

// An R1C1 operand read as a reference; R3, the whole row 3, is taken as the pair R3:R3.
std::optional<ParsedOperand> parseR1C1Operand(const QString &operand)
{
    std::optional<ParsedOperand> parsed = parseOperand(operand, parseR1C1Part, true);
    // R3 is the whole row 3, written $3:$3 in A1.
    if (parsed && parsed->pieces.size() == 1 && isLine(*parsed->parts.first())) {
        parsed->pieces.append({QString(), parsed->pieces.first().body});
        parsed->parts.append(parsed->parts.first());
    }
    return parsed;
}

QString a1OperandAt(ParsedOperand parsed, int row, int column)
{
    for (int k = 0; k < parsed.pieces.size(); ++k) {
        std::optional<ReferencePart> part = parsed.parts.at(k);
        if (!part)
            continue;
        if (!resolveAt(*part, row, column))
            return parsed.pieces.first().prefix + QStringLiteral("#REF!");
        parsed.pieces[k].body = a1PartText(*part);
    }
    return operandText(parsed.pieces) + parsed.spill;
}

using OperandRewrite = QString (*)(const QString &, int, int);

// Each token of the formula, told whether it is an operand outside array constants.
template <typename Visit>
void visitTokens(const QString &formula, Visit visit)
{
    int braceDepth = 0;
    for (const FormulaToken &token : formulaTokens(formula)) {
        if (token.kind == FormulaToken::OpenBrace)
            ++braceDepth;
        else if (token.kind == FormulaToken::CloseBrace && braceDepth > 0)
            --braceDepth;
        visit(token, token.kind == FormulaToken::Operand && braceDepth == 0);
    }
}

// Rewrites every operand outside array constants; everything else is copied.
QString rewriteOperands(const QString &formula, int row, int column, OperandRewrite rewrite)
{
    if (!formula.startsWith(QLatin1Char('=')) || !isSheetCell(row, column))
        return formula;
    QString result;
    result.reserve(formula.size() + 16);
    visitTokens(formula, [&](const FormulaToken &token, bool operand) {
        result += operand ? rewrite(token.text, row, column) : token.text;
    });
    return result;
}

} // namespace

QString a1ToR1C1(const QString &formula, int row, int column)
{
    return rewriteOperands(formula, row, column, a1OperandToR1C1);
}

struct R1C1Formula::Read {
    struct Piece {
        QString text;
        std::optional<ParsedOperand> operand; // a reference outside array constants
    };
    QVector<Piece> pieces;
};

R1C1Formula::R1C1Formula(const QString &formula)
    : m_formula(formula)
{
    if (!formula.startsWith(QLatin1Char('=')))
        return;
    auto read = std::make_shared<Read>();
    visitTokens(formula, [&](const FormulaToken &token, bool operand) {
        read->pieces << Read::Piece{token.text, operand ? parseR1C1Operand(token.text) : std::nullopt};
    });
    m_read = read;
}

QString R1C1Formula::a1At(int row, int column) const
{
    if (!m_read || !isSheetCell(row, column))
        return m_formula;
    QString result;
    result.reserve(m_formula.size() + 16);
    for (const Read::Piece &piece : m_read->pieces)
        result += piece.operand ? a1OperandAt(*piece.operand, row, column) : piece.text;
    return result;
}

bool R1C1Formula::readsColumnsRelatively() const
{
    if (!m_read)
        return false;
    for (const Read::Piece &piece : m_read->pieces)
        if (piece.operand)
            for (const std::optional<ReferencePart> &part : piece.operand->parts)
                if (part && part->shape != ReferencePart::WholeRow && !part->column.absolute)
                    return true;
    return false;
}

QString r1c1ToA1(const QString &formula, int row, int column)
{
    return R1C1Formula(formula).a1At(row, column);
}
