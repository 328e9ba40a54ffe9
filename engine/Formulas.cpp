#include "Formulas.h"

#include "CellReference.h"
#include "SheetNames.h"

#include <QRegularExpression>

namespace {

// =IF(x="","",x)
QString emptyWhenEmpty(const QString &expression)
{
    return QStringLiteral("=IF(") + expression + QStringLiteral("=\"\",\"\",") + expression
        + QStringLiteral(")");
}

// A text as a formula string literal: in double quotes, quotes doubled.
QString stringLiteral(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

bool anyCategoryHolds(const QStringList &categoryNames, QChar c)
{
    for (const QString &name : categoryNames) {
        if (name.contains(c))
            return true;
    }
    return false;
}

// $B$2:$H$100: the block's rows, from the match column to its last column.
QString lookupTable(int lookupColumn, const BlockGeometry &block)
{
    return QStringLiteral("$") + a1ColumnName(lookupColumn) + QStringLiteral("$") + QString::number(block.topRow)
        + QStringLiteral(":$") + a1ColumnName(block.lastColumn()) + QStringLiteral("$")
        + QString::number(block.lastRow());
}

// R2C2:R100C8: the same rows and columns in R1C1 form. INDIRECT reads its
// text so in every application (its second argument FALSE), whereas an A1
// text is read in the reader's own reference syntax: LibreOffice reads it as
// "Sheet.A1" in an .xls file, and every such lookup comes out #REF!.
QString r1c1LookupTable(int lookupColumn, const BlockGeometry &block)
{
    return QStringLiteral("R") + QString::number(block.topRow) + QStringLiteral("C") + QString::number(lookupColumn)
        + QStringLiteral(":R") + QString::number(block.lastRow()) + QStringLiteral("C")
        + QString::number(block.lastColumn());
}

// VLOOKUP($B2,table,COLUMN()-COLUMN($B2)+1,0)
QString vlookup(int lookupColumn, int row, const QString &table)
{
    const QString key = QStringLiteral("$") + a1ColumnName(lookupColumn) + QString::number(row);
    return QStringLiteral("VLOOKUP(") + key + QStringLiteral(",") + table + QStringLiteral(",COLUMN()-COLUMN(") + key
        + QStringLiteral(")+1,0)");
}

} // namespace

QString formulaRange(const QString &allowEditRange, int lastRow)
{
    static const QRegularExpression lastRowDigits(QStringLiteral("(.*[a-zA-Z])(\\d*\\b)"));
    QString range = allowEditRange;
    range.remove(QLatin1Char('$'));
    range.replace(lastRowDigits, QStringLiteral("\\1"));
    return range + QString::number(lastRow);
}

QString lookupExpression(const QString &summaryName, int lookupColumn, const BlockGeometry &allowed)
{
    return vlookup(lookupColumn, allowed.topRow,
                   quotedSheetName(summaryName) + QStringLiteral("!") + lookupTable(lookupColumn, allowed));
}

QString linkFormula(const QString &summaryName, int lookupColumn, const BlockGeometry &allowed)
{
    return emptyWhenEmpty(lookupExpression(summaryName, lookupColumn, allowed));
}

QString indirectArgument(const QString &cell, const QString &address, const QStringList &categoryNames)
{
    bool renamed = false;
    bool quoted = false;
    for (const QString &value : categoryNames) {
        const QString name = withoutForbiddenCharacters(value);
        renamed = renamed || name != value;
        quoted = quoted || needsQuoting(name);
    }
    if (!renamed && !quoted)
        return cell + QStringLiteral("&\"!") + address + QStringLiteral("\"");

    QString name = cell;
    if (renamed) {
        for (const QChar c : forbiddenSheetNameCharacters()) {
            if (anyCategoryHolds(categoryNames, c))
                name = QStringLiteral("SUBSTITUTE(") + name + QStringLiteral(",") + stringLiteral(c)
                    + QStringLiteral(",\"\")");
        }
    }
    if (anyCategoryHolds(categoryNames, QLatin1Char('\'')))
        name = QStringLiteral("SUBSTITUTE(") + name + QStringLiteral(",\"'\",\"''\")");
    return QStringLiteral("\"'\"&") + name + QStringLiteral("&\"'!") + address + QStringLiteral("\"");
}

QString summaryLookup(int lookupColumn, int classifyColumn, int row, const BlockGeometry &block,
                      const QStringList &categoryNames)
{
    const QString cell = QStringLiteral("$") + a1ColumnName(classifyColumn) + QString::number(row);
    return vlookup(lookupColumn, row,
                   QStringLiteral("INDIRECT(")
                       + indirectArgument(cell, r1c1LookupTable(lookupColumn, block), categoryNames)
                       + QStringLiteral(",FALSE)"));
}

QString directSummaryLookup(int lookupColumn, int row, const BlockGeometry &block, const QString &sheetName)
{
    return vlookup(lookupColumn, row,
                   quotedSheetName(sheetName) + QStringLiteral("!") + lookupTable(lookupColumn, block));
}

QString summaryFormula(int lookupColumn, int classifyColumn, int row, const BlockGeometry &block,
                       const QStringList &categoryNames)
{
    return emptyWhenEmpty(summaryLookup(lookupColumn, classifyColumn, row, block, categoryNames));
}

QString directSummaryFormula(int lookupColumn, int row, const BlockGeometry &block, const QString &sheetName)
{
    return emptyWhenEmpty(directSummaryLookup(lookupColumn, row, block, sheetName));
}
