#include "FilterCriterion.h"

namespace {
const QLatin1String kNotEqual("<>");
const QChar kEscape = QLatin1Char('~');

bool isEscaped(QChar c)
{
    return c == QLatin1Char('*') || c == QLatin1Char('?') || c == kEscape;
}
} // namespace

QString excludingCriterion(const QString &value)
{
    QString criterion = kNotEqual;
    criterion.reserve(value.size() + 4);
    for (const QChar c : value) {
        if (isEscaped(c))
            criterion += kEscape;
        criterion += c;
    }
    return criterion;
}

std::optional<QString> excludedValue(const QString &criterion)
{
    if (!criterion.startsWith(kNotEqual))
        return std::nullopt;
    QString value;
    value.reserve(criterion.size());
    for (int i = kNotEqual.size(); i < criterion.size(); ++i) {
        // "~*", "~?" and "~~" stand for the second character; any other
        // "~" for itself.
        if (criterion.at(i) == kEscape && i + 1 < criterion.size() && isEscaped(criterion.at(i + 1)))
            ++i;
        value += criterion.at(i);
    }
    return value;
}
