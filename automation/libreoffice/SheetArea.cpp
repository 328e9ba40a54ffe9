#include "SheetArea.h"

#include <QRegularExpression>

namespace {

int lettersToColumn(const QString &letters)
{
    int n = 0;
    for (QChar c : letters) {
        n = n * 26 + (c.toUpper().unicode() - 'A' + 1);
        if (n > kMaxColumn)
            return 0;
    }
    return n;
}

QString columnToLetters(int column)
{
    QString s;
    while (column > 0) {
        s.prepend(QChar('A' + (column - 1) % 26));
        column = (column - 1) / 26;
    }
    return s;
}

// One corner: column letters and/or row digits, each maybe with "$".
bool parseCorner(const QString &text, int *row, int *column)
{
    static const QRegularExpression corner(QStringLiteral("^\\$?([A-Za-z]{0,3})\\$?([0-9]{0,7})$"));
    const QRegularExpressionMatch m = corner.match(text);
    if (!m.hasMatch())
        return false;
    const QString letters = m.captured(1);
    const QString digits = m.captured(2);
    if (letters.isEmpty() && digits.isEmpty())
        return false;
    if (text.startsWith('$') && letters.isEmpty() && digits.isEmpty())
        return false;
    *column = letters.isEmpty() ? 0 : lettersToColumn(letters);
    *row = digits.isEmpty() ? 0 : digits.toInt();
    if (!letters.isEmpty() && *column == 0)
        return false;
    if (!digits.isEmpty() && (*row < 1 || *row > kMaxRow))
        return false;
    return true;
}

bool parseArea(const QString &text, SheetArea *area)
{
    const QStringList corners = text.split(':');
    if (corners.size() > 2 || corners.isEmpty())
        return false;
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!parseCorner(corners[0].trimmed(), &r1, &c1))
        return false;
    if (corners.size() == 2) {
        if (!parseCorner(corners[1].trimmed(), &r2, &c2))
            return false;
    } else {
        r2 = r1;
        c2 = c1;
    }
    const bool wholeColumns = r1 == 0 && r2 == 0 && c1 > 0 && c2 > 0 && corners.size() == 2;
    const bool wholeRows = c1 == 0 && c2 == 0 && r1 > 0 && r2 > 0 && corners.size() == 2;
    if (wholeColumns) {
        r1 = 1;
        r2 = kMaxRow;
    } else if (wholeRows) {
        c1 = 1;
        c2 = kMaxColumn;
    } else if (r1 == 0 || c1 == 0 || r2 == 0 || c2 == 0) {
        return false;
    }
    area->top = qMin(r1, r2);
    area->bottom = qMax(r1, r2);
    area->left = qMin(c1, c2);
    area->right = qMax(c1, c2);
    return true;
}

} // namespace

QList<SheetArea> parseAreas(const QString &text)
{
    QList<SheetArea> areas;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return areas;
    for (const QString &part : trimmed.split(',')) {
        SheetArea area;
        if (!parseArea(part.trimmed(), &area))
            return {};
        areas << area;
    }
    return areas;
}

QString areasText(const QList<SheetArea> &areas, const QString &separator)
{
    QStringList parts;
    for (const SheetArea &a : areas) {
        const QString first = columnToLetters(a.left) + QString::number(a.top);
        if (a.top == a.bottom && a.left == a.right)
            parts << first;
        else
            parts << first + ':' + columnToLetters(a.right) + QString::number(a.bottom);
    }
    return parts.join(separator);
}
