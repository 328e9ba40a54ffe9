#include "LookupResults.h"

#include <QRegularExpression>

namespace {

// The same for every comparison the office could make equal: case and width
// folded, accents and marks dropped, "ß" as "ss". Looser than the office, so
// that two keys it takes for one are never told apart here.
QString looseText(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString loose;
    loose.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing)
            continue;
        loose += c;
    }
    loose = loose.toCaseFolded();
    loose.replace(QChar(0x00DF), QStringLiteral("ss"));
    return loose.toUpper().toCaseFolded();
}

std::optional<QString> looseKey(const QVariant &key)
{
    switch (key.userType()) {
    case QMetaType::Double: {
        const double number = key.toDouble();
        return QStringLiteral("n") + (number == 0 ? QStringLiteral("0") : QString::number(number, 'g', 17));
    }
    case QMetaType::QString:
        return QStringLiteral("s") + looseText(key.toString());
    default:
        return std::nullopt; // empty, truth values: the office's rules differ
    }
}

// A key the office reads as a pattern: its wildcards.
bool isPattern(const QString &text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('~'));
}

} // namespace

std::optional<LookupFormula> parseLookupFormula(const QString &r1c1)
{
    static const QRegularExpression shape(QStringLiteral(
        "^=IF\\(VLOOKUP\\(RC(\\d+),('(?:[^']|'')+'|[^'!(),\"]+)!R(\\d+)C(\\d+):R(\\d+)C(\\d+),"
        "COLUMN\\(\\)-COLUMN\\(RC\\1\\)\\+1,0\\)=\"\",\"\","
        "VLOOKUP\\(RC\\1,\\2!R\\3C\\4:R\\5C\\6,COLUMN\\(\\)-COLUMN\\(RC\\1\\)\\+1,0\\)\\)$"));
    const QRegularExpressionMatch match = shape.match(r1c1);
    if (!match.hasMatch())
        return std::nullopt;
    LookupFormula lookup;
    lookup.keyColumn = match.captured(1).toInt();
    QString sheet = match.captured(2);
    if (sheet.startsWith(QLatin1Char('\''))) {
        sheet = sheet.mid(1, sheet.size() - 2);
        sheet.replace(QStringLiteral("''"), QStringLiteral("'"));
    }
    lookup.tableSheet = sheet;
    lookup.top = match.captured(3).toInt();
    lookup.bottom = match.captured(5).toInt();
    lookup.right = match.captured(6).toInt();
    if (match.captured(4).toInt() != lookup.keyColumn || lookup.top < 1 || lookup.bottom < lookup.top
        || lookup.right < lookup.keyColumn)
        return std::nullopt;
    return lookup;
}

LookupIndex::LookupIndex(const QVector<QVariant> &keys) : m_keys(keys)
{
    m_rows.reserve(keys.size());
    for (int row = 0; row < keys.size(); ++row) {
        const std::optional<QString> loose = looseKey(keys.at(row));
        if (!loose)
            continue;
        auto found = m_rows.find(*loose);
        if (found == m_rows.end())
            m_rows.insert(*loose, row);
        else
            found.value() = -1;
    }
}

std::optional<int> LookupIndex::rowOf(const QVariant &key) const
{
    const std::optional<QString> loose = looseKey(key);
    if (!loose || (key.userType() == QMetaType::QString && isPattern(key.toString())))
        return std::nullopt;
    const int row = m_rows.value(*loose, -1);
    if (row < 0)
        return std::nullopt;
    // Only the very same key: the office's own comparison is not repeated here.
    const QVariant &there = m_keys.at(row);
    if (there.userType() != key.userType())
        return std::nullopt;
    if (key.userType() == QMetaType::Double ? there.toDouble() != key.toDouble() : there.toString() != key.toString())
        return std::nullopt;
    return row;
}

std::optional<QVariant> lookupShows(const QVariant &value)
{
    if (!value.isValid())
        return QVariant(QString(""));
    switch (value.userType()) {
    case QMetaType::Double:
        return value;
    case QMetaType::QString: {
        // Texts a file cannot hold as they are (control characters, and
        // what readers take for an escaped one) are left to the office.
        static const QRegularExpression unwritable(QStringLiteral("[\\x00-\\x08\\x0B\\x0C\\x0E-\\x1F\\x{FFFE}\\x{FFFF}]|_x[0-9A-Fa-f]{4}_"));
        if (value.toString().contains(unwritable))
            return std::nullopt;
        return value;
    }
    default:
        return std::nullopt;
    }
}
