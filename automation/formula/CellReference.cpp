#include "CellReference.h"

#include <QRegularExpression>

int a1ColumnNumber(const QString &letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int number = 0;
    for (const QChar c : letters) {
        const char letter = c.toUpper().toLatin1();
        if (letter < 'A' || letter > 'Z')
            return 0;
        number = number * 26 + (letter - 'A' + 1);
    }
    return number <= kSheetColumns ? number : 0;
}

QString a1ColumnName(int column)
{
    if (column < 1 || column > kSheetColumns)
        return QString();
    QString letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.prepend(QChar('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::optional<ReferencePart> parseA1Part(const QString &text)
{
    static const QRegularExpression cell(QStringLiteral("^(\\$?)([A-Za-z]{1,3})(\\$?)([0-9]{1,7})$"));
    static const QRegularExpression column(QStringLiteral("^(\\$?)([A-Za-z]{1,3})$"));
    static const QRegularExpression row(QStringLiteral("^(\\$?)([0-9]{1,7})$"));

    ReferencePart part;
    QRegularExpressionMatch m = cell.match(text);
    if (m.hasMatch()) {
        part.shape = ReferencePart::Cell;
        part.column = {!m.capturedRef(1).isEmpty(), a1ColumnNumber(m.captured(2))};
        part.row = {!m.capturedRef(3).isEmpty(), m.capturedRef(4).toInt()};
    } else if ((m = column.match(text)).hasMatch()) {
        part.shape = ReferencePart::WholeColumn;
        part.column = {!m.capturedRef(1).isEmpty(), a1ColumnNumber(m.captured(2))};
    } else if ((m = row.match(text)).hasMatch()) {
        part.shape = ReferencePart::WholeRow;
        part.row = {!m.capturedRef(1).isEmpty(), m.capturedRef(2).toInt()};
    } else {
        return std::nullopt;
    }
    if (part.shape != ReferencePart::WholeRow && part.column.value == 0)
        return std::nullopt;
    if (part.shape != ReferencePart::WholeColumn
        && (part.row.value < 1 || part.row.value > kSheetRows))
        return std::nullopt;
    return part;
}

QString a1PartText(const ReferencePart &part)
{
    QString text;
    if (part.shape != ReferencePart::WholeRow) {
        if (part.column.absolute)
            text += QLatin1Char('$');
        text += a1ColumnName(part.column.value);
    }
    if (part.shape != ReferencePart::WholeColumn) {
        if (part.row.absolute)
            text += QLatin1Char('$');
        text += QString::number(part.row.value);
    }
    return text;
}

namespace {

// Reads the coordinate after R or C at pos: "[n]" relative, "n" absolute,
// nothing for the formula's own row or column. Advances pos past it.
bool readR1C1Axis(const QString &text, int &pos, int limit, ReferenceAxis &axis)
{
    const int n = text.size();
    if (pos < n && text.at(pos) == QLatin1Char('[')) {
        const int close = text.indexOf(QLatin1Char(']'), pos + 1);
        if (close < 0)
            return false;
        const QStringRef inside = text.midRef(pos + 1, close - pos - 1);
        static const QRegularExpression offset(QStringLiteral("^-?[0-9]{1,7}$"));
        if (!offset.match(inside).hasMatch())
            return false;
        axis = {false, inside.toInt()};
        pos = close + 1;
        return axis.value > -limit && axis.value < limit;
    }
    int end = pos;
    while (end < n && end - pos < 8 && text.at(end).isDigit() && text.at(end).unicode() < 128)
        ++end;
    if (end == pos) {
        axis = {false, 0};
        return true;
    }
    axis = {true, text.midRef(pos, end - pos).toInt()};
    pos = end;
    return axis.value >= 1 && axis.value <= limit;
}

bool isLetter(const QString &text, int pos, char upper)
{
    return pos < text.size() && text.at(pos).toUpper() == QLatin1Char(upper);
}

} // namespace

std::optional<ReferencePart> parseR1C1Part(const QString &text)
{
    ReferencePart part;
    int pos = 0;
    bool hasRow = false;
    bool hasColumn = false;
    if (isLetter(text, pos, 'R')) {
        ++pos;
        hasRow = true;
        if (!readR1C1Axis(text, pos, kSheetRows, part.row))
            return std::nullopt;
    }
    if (isLetter(text, pos, 'C')) {
        ++pos;
        hasColumn = true;
        if (!readR1C1Axis(text, pos, kSheetColumns, part.column))
            return std::nullopt;
    }
    if (pos != text.size() || (!hasRow && !hasColumn))
        return std::nullopt;
    part.shape = hasRow && hasColumn ? ReferencePart::Cell
                 : hasRow            ? ReferencePart::WholeRow
                                     : ReferencePart::WholeColumn;
    return part;
}

namespace {

QString r1c1AxisText(char letter, const ReferenceAxis &axis)
{
    QString text(QLatin1Char{letter});
    if (axis.absolute)
        text += QString::number(axis.value);
    else if (axis.value != 0)
        text += QLatin1Char('[') + QString::number(axis.value) + QLatin1Char(']');
    return text;
}

} // namespace

QString r1c1PartText(const ReferencePart &part)
{
    QString text;
    if (part.shape != ReferencePart::WholeColumn)
        text += r1c1AxisText('R', part.row);
    if (part.shape != ReferencePart::WholeRow)
        text += r1c1AxisText('C', part.column);
    return text;
}
