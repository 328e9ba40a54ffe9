#include "SheetNames.h"

#include <QRegularExpression>

QString forbiddenSheetNameCharacters()
{
    return QStringLiteral(":\\/*?\"<>|[]");
}

QString withoutForbiddenCharacters(const QString &value)
{
    QString name = value;
    for (const QChar c : forbiddenSheetNameCharacters())
        name.remove(c);
    return name;
}

namespace {

QString trimmedApostrophes(QString name)
{
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    return name;
}

// The first `length` UTF-16 units, never half a surrogate pair.
QString cutTo(const QString &text, int length)
{
    if (text.size() <= length)
        return text;
    QString cut = text.left(length);
    if (cut.at(cut.size() - 1).isHighSurrogate())
        cut.chop(1);
    return cut;
}

bool readsAsCellReference(const QString &name)
{
    static const QRegularExpression a1(QStringLiteral("^[A-Za-z]{1,3}[0-9]+$"));
    static const QRegularExpression r1c1(QStringLiteral("^([Rr][0-9]*)?([Cc][0-9]*)?$"));
    return a1.match(name).hasMatch() || r1c1.match(name).hasMatch();
}

} // namespace

QString sheetName(const QString &categoryValue)
{
    QString name = withoutForbiddenCharacters(categoryValue);
    name.remove(QRegularExpression(QStringLiteral("[\\x{0}-\\x{1f}\\x{7f}]")));
    // Cutting may bring an apostrophe to the end again.
    return trimmedApostrophes(cutTo(trimmedApostrophes(name), maxSheetNameLength));
}

QString sheetNameKey(const QString &name)
{
    return name.toCaseFolded();
}

namespace {

QStringList keysOf(const QStringList &names)
{
    QStringList keys;
    keys.reserve(names.size());
    for (const QString &name : names)
        keys << sheetNameKey(name);
    return keys;
}

// `name` with the first of " (2)", " (3)", ... that makes it unlike `taken`.
QString numberedSheetName(const QString &name, const QStringList &taken)
{
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString candidate = trimmedApostrophes(cutTo(name, maxSheetNameLength - suffix.size())) + suffix;
        if (!taken.contains(sheetNameKey(candidate)))
            return candidate;
    }
}

} // namespace

QString uniqueSheetName(const QString &name, const QStringList &taken)
{
    return taken.contains(sheetNameKey(name)) ? numberedSheetName(name, taken) : name;
}

QString copiedSheetName(const QString &source, const QStringList &existing)
{
    return numberedSheetName(source, keysOf(existing));
}

bool isAcceptableSheetName(const QString &name, const QStringList &otherNames)
{
    if (name.isEmpty() || name.size() > maxSheetNameLength || name != withoutForbiddenCharacters(name))
        return false;
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return false;
    return !keysOf(otherNames).contains(sheetNameKey(name));
}

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
