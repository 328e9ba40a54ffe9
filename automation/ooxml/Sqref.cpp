#include "Sqref.h"

#include "ReadFailure.h"

#include "CellReference.h"

#include <QRegularExpression>
#include <QStringList>

namespace ooxml {

namespace {

struct Cell {
    int column = 0;   // 0: whole row reference
    int row = 0;      // 0: whole column reference
};

using readers::fail;

// One corner: "B3", "$B$3", "B" (column only) or "3" (row only).
bool parseCorner(const QString &text, Cell *cell, QString *error)
{
    static const QRegularExpression pattern(QStringLiteral("^\\$?([A-Za-z]{0,3})\\$?([0-9]{0,7})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || text.isEmpty() || text == QLatin1String("$"))
        return fail(error, QStringLiteral("\"%1\" is not a cell reference").arg(text));
    const QString letters = m.captured(1);
    const QString digits = m.captured(2);
    if (letters.isEmpty() && digits.isEmpty())
        return fail(error, QStringLiteral("\"%1\" is not a cell reference").arg(text));
    cell->column = letters.isEmpty() ? 0 : a1ColumnNumber(letters);
    if (!letters.isEmpty() && cell->column == 0)
        return fail(error, QStringLiteral("column \"%1\" lies beyond XFD").arg(letters));
    if (!digits.isEmpty()) {
        bool ok = false;
        cell->row = digits.toInt(&ok);
        if (!ok || cell->row < 1 || cell->row > kSheetRows)
            return fail(error, QStringLiteral("row %1 lies outside 1 to %2").arg(digits).arg(kSheetRows));
    } else {
        cell->row = 0;
    }
    return true;
}

QString cellText(int column, int row)
{
    return a1ColumnName(column) + QString::number(row);
}

bool normalizeArea(const QString &area, QString *out, QString *error)
{
    const QStringList corners = area.split(QLatin1Char(':'));
    if (corners.size() > 2)
        return fail(error, QStringLiteral("\"%1\" is not a range").arg(area));
    Cell a;
    if (!parseCorner(corners.first(), &a, error))
        return false;
    Cell b = a;
    if (corners.size() == 2 && !parseCorner(corners.last(), &b, error))
        return false;

    const bool wholeColumns = a.row == 0 && b.row == 0;
    const bool wholeRows = a.column == 0 && b.column == 0;
    if (corners.size() == 1 && (a.row == 0 || a.column == 0))
        return fail(error, QStringLiteral("\"%1\" is not a cell reference").arg(area));
    if (wholeColumns) {
        a.row = 1;
        b.row = kSheetRows;
    } else if (wholeRows) {
        a.column = 1;
        b.column = kSheetColumns;
    } else if (a.row == 0 || a.column == 0 || b.row == 0 || b.column == 0) {
        return fail(error, QStringLiteral("\"%1\" mixes cell, row and column references").arg(area));
    }

    const int left = qMin(a.column, b.column), right = qMax(a.column, b.column);
    const int top = qMin(a.row, b.row), bottom = qMax(a.row, b.row);
    *out = cellText(left, top);
    if (left != right || top != bottom)
        *out += QLatin1Char(':') + cellText(right, bottom);
    return true;
}

} // namespace

QString normalizeSqref(const QString &text, QString *error)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    const QStringList areas = text.split(separators, Qt::SkipEmptyParts);
    if (areas.isEmpty()) {
        fail(error, QStringLiteral("the range is empty"));
        return {};
    }
    QStringList out;
    for (const QString &area : areas) {
        if (area.contains(QLatin1Char('!'))) {
            fail(error, QStringLiteral("\"%1\" names a sheet; give the range alone").arg(area));
            return {};
        }
        QString normal;
        if (!normalizeArea(area, &normal, error))
            return {};
        out << normal;
    }
    return out.join(QLatin1Char(' '));
}

} // namespace ooxml
