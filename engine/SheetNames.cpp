#include "SheetNames.h"

#include <QRegularExpression>

QString forbiddenSheetNameCharacters()
{
    return QStringLiteral(":\\/*?\"<>|");
}

QString sheetName(const QString &categoryValue)
{
    QString name = categoryValue;
    for (const QChar c : forbiddenSheetNameCharacters())
        name.remove(c);
    return name;
}

namespace {

bool readsAsCellReference(const QString &name)
{
    static const QRegularExpression a1(QStringLiteral("^[A-Za-z]{1,3}[0-9]+$"));
    static const QRegularExpression r1c1(QStringLiteral("^([Rr][0-9]*)?([Cc][0-9]*)?$"));
    return a1.match(name).hasMatch() || r1c1.match(name).hasMatch();
}

} // namespace

bool needsQuoting(const QString &sheetName)
{
    if (sheetName.isEmpty())
        return true;
    const QChar first = sheetName.at(0);
    if (first.isDigit() || first == QLatin1Char('.'))
        return true;
    for (const QChar c : sheetName) {
        if (!(c.isLetter() || c.isDigit() || c == QLatin1Char('_') || c == QLatin1Char('.')))
            return true;
    }
    return readsAsCellReference(sheetName);
}

QString quotedSheetName(const QString &sheetName)
{
    if (!needsQuoting(sheetName))
        return sheetName;
    QString inner = sheetName;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}
