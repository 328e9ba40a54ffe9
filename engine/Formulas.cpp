#include "Formulas.h"

#include "ColumnLetters.h"
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

} // namespace

QString formulaRange(const QString &allowEditRange, int usedRowCount)
{
    static const QRegularExpression lastRowDigits(QStringLiteral("(.*[a-zA-Z])(\\d*\\b)"));
    QString range = allowEditRange;
    range.remove(QLatin1Char('$'));
    range.replace(lastRowDigits, QStringLiteral("\\1"));
    return range + QString::number(usedRowCount);
}

QString lookupExpression(const QString &summaryName, int lookupColumn, const BlockGeometry &allowed)
{
    const QString lk = columnLetters(lookupColumn);
    const QString ll = columnLetters(allowed.lastColumn());
    const QString r1 = QString::number(allowed.topRow);
    const QString r2 = QString::number(allowed.lastRow());
    return QStringLiteral("VLOOKUP($") + lk + r1 + QStringLiteral(",") + quotedSheetName(summaryName)
        + QStringLiteral("!$") + lk + QStringLiteral("$") + r1 + QStringLiteral(":$") + ll
        + QStringLiteral("$") + r2 + QStringLiteral(",COLUMN()-COLUMN($") + lk + r1
        + QStringLiteral(")+1,0)");
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
        const QString name = sheetName(value);
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

QString summaryLookup(int lookupColumn, int classifyColumn, const BlockGeometry &block,
                      const QStringList &categoryNames)
{
    const QString lk = columnLetters(lookupColumn);
    const QString lc = columnLetters(classifyColumn);
    const QString ll = columnLetters(block.lastColumn());
    const QString r1 = QString::number(block.topRow);
    const QString r2 = QString::number(block.lastRow());
    const QString address = QStringLiteral("$") + lk + QStringLiteral("$") + r1 + QStringLiteral(":$") + ll
        + QStringLiteral("$") + r2;
    return QStringLiteral("VLOOKUP($") + lk + r1 + QStringLiteral(",INDIRECT(")
        + indirectArgument(QStringLiteral("$") + lc + r1, address, categoryNames)
        + QStringLiteral("),COLUMN()-COLUMN($") + lk + r1 + QStringLiteral(")+1,0)");
}

QString summaryFormula(int lookupColumn, int classifyColumn, const BlockGeometry &block,
                       const QStringList &categoryNames)
{
    return emptyWhenEmpty(summaryLookup(lookupColumn, classifyColumn, block, categoryNames));
}
