#include "ReferenceOperand.h"

namespace {

// Index after the quoted or bracketed section that starts at pos, or pos + 1.
int skipSection(const QString &text, int pos)
{
    const QChar c = text.at(pos);
    if (c == QLatin1Char('\'')) {
        int j = pos + 1;
        while (j < text.size()) {
            if (text.at(j) == QLatin1Char('\'')) {
                if (j + 1 < text.size() && text.at(j + 1) == QLatin1Char('\'')) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return text.size();
    }
    if (c == QLatin1Char('[')) {
        // Inside table references an apostrophe escapes the next character.
        int depth = 0;
        for (int j = pos; j < text.size(); ++j) {
            if (text.at(j) == QLatin1Char('\''))
                ++j;
            else if (text.at(j) == QLatin1Char('['))
                ++depth;
            else if (text.at(j) == QLatin1Char(']') && --depth == 0)
                return j + 1;
        }
        return text.size();
    }
    return pos + 1;
}

// Positions of `wanted` outside quotes and brackets, from `from` on.
QList<int> positionsOutside(const QString &text, QChar wanted, int from)
{
    QList<int> found;
    int j = from;
    while (j < text.size()) {
        if (text.at(j) == wanted)
            found.append(j);
        j = skipSection(text, j);
    }
    return found;
}

OperandPiece pieceWithPrefix(const QString &text)
{
    const QList<int> bangs = positionsOutside(text, QLatin1Char('!'), 0);
    if (bangs.isEmpty())
        return {QString(), text};
    return {text.left(bangs.first() + 1), text.mid(bangs.first() + 1)};
}

} // namespace

QList<OperandPiece> operandPieces(const QString &operand)
{
    QString leadingPrefix;
    int start = 0;
    const QList<int> bangs = positionsOutside(operand, QLatin1Char('!'), 0);
    if (!bangs.isEmpty()) {
        start = bangs.first() + 1;
        leadingPrefix = operand.left(start);
    }

    QList<OperandPiece> pieces;
    const QList<int> colons = positionsOutside(operand, QLatin1Char(':'), start);
    int pieceStart = start;
    for (int k = 0; k <= colons.size(); ++k) {
        const int end = k < colons.size() ? colons.at(k) : operand.size();
        const QString text = operand.mid(pieceStart, end - pieceStart);
        if (k == 0)
            pieces.append({leadingPrefix, text});
        else
            pieces.append(pieceWithPrefix(text));
        pieceStart = end + 1;
    }
    return pieces;
}

QString operandText(const QList<OperandPiece> &pieces)
{
    QString text;
    for (int k = 0; k < pieces.size(); ++k) {
        if (k > 0)
            text += QLatin1Char(':');
        text += pieces.at(k).prefix + pieces.at(k).body;
    }
    return text;
}
