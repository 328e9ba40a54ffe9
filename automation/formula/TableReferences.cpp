#include "TableReferences.h"

namespace {

// Characters that continue a name: a table's name before '[' starts after
// none of them.
bool continuesName(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('\\');
}

// The position after the bracket that closes the one at `open`; inside, an
// apostrophe escapes the next character.
int afterBrackets(const QString &formula, int open)
{
    int depth = 0;
    for (int i = open; i < formula.size(); ++i) {
        const QChar c = formula.at(i);
        if (c == QLatin1Char('\'')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            ++depth;
        } else if (c == QLatin1Char(']') && --depth == 0) {
            return i + 1;
        }
    }
    return formula.size();
}

// The position after a literal that starts at `open` with `quote`, where a
// doubled quote stands for one.
int afterQuoted(const QString &formula, int open, QChar quote)
{
    for (int i = open + 1; i < formula.size(); ++i) {
        if (formula.at(i) != quote)
            continue;
        if (i + 1 < formula.size() && formula.at(i + 1) == quote)
            ++i;
        else
            return i + 1;
    }
    return formula.size();
}

} // namespace

QString renameTableReferences(const QString &formula, const QString &from, const QString &to)
{
    if (from.isEmpty())
        return formula;
    QString result;
    result.reserve(formula.size());
    int i = 0;
    while (i < formula.size()) {
        const QChar c = formula.at(i);
        int next = i + 1;
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            next = afterQuoted(formula, i, c);
        } else if (c == QLatin1Char('[')) {
            next = afterBrackets(formula, i);
        } else if ((i == 0 || !continuesName(formula.at(i - 1)))
                   && formula.midRef(i, from.size()).compare(from, Qt::CaseInsensitive) == 0
                   && i + from.size() < formula.size() && formula.at(i + from.size()) == QLatin1Char('[')) {
            result += to;
            i += from.size();
            continue;
        }
        result += formula.midRef(i, next - i);
        i = next;
    }
    return result;
}
