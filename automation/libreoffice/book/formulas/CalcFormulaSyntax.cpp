#include "CalcFormulaSyntax.h"

#include <QVector>

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == '_' || c == '.' || c == '\\';
}

QString quotedSheet(const QString &bareName)
{
    QString name = bareName;
    name.replace('\'', QStringLiteral("''"));
    return QStringLiteral("$'") + name + QStringLiteral("'.");
}

} // namespace

QString excelToCalcFormula(const QString &excel)
{
    QString out;
    out.reserve(excel.size() + 16);
    // What each open bracket is: '(' a call or group, '{' an array constant.
    QVector<QChar> brackets;
    const int n = excel.size();
    int i = 0;
    while (i < n) {
        const QChar c = excel[i];
        if (c == '"') {
            // A string literal, "" standing for one quote.
            int j = i + 1;
            while (j < n) {
                if (excel[j] == '"') {
                    if (j + 1 < n && excel[j + 1] == '"') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += excel.mid(i, qMin(j, n - 1) - i + 1);
            i = j + 1;
            continue;
        }
        if (c == '\'') {
            // A quoted sheet name: 'It''s here'!A1
            int j = i + 1;
            QString name;
            while (j < n) {
                if (excel[j] == '\'') {
                    if (j + 1 < n && excel[j + 1] == '\'') {
                        name += '\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += excel[j++];
            }
            if (j + 1 < n && excel[j + 1] == '!') {
                out += quotedSheet(name);
                i = j + 2;
            } else {
                out += excel.mid(i, j - i + 1);
                i = j + 1;
            }
            continue;
        }
        if (isNameChar(c)) {
            int j = i;
            while (j < n && isNameChar(excel[j]))
                ++j;
            const QString word = excel.mid(i, j - i);
            if (j < n && excel[j] == '!' && !word.isEmpty()) {
                out += quotedSheet(word);
                i = j + 1;
            } else {
                out += word;
                i = j;
            }
            continue;
        }
        if (c == '(' || c == '{') {
            brackets.push_back(c);
        } else if (c == ')' || c == '}') {
            if (!brackets.isEmpty())
                brackets.pop_back();
        } else if (c == ',') {
            // Between arguments and array columns ";"; at the top level the
            // union operator "~".
            out += brackets.isEmpty() ? QChar('~') : QChar(';');
            ++i;
            continue;
        } else if (c == ';' && !brackets.isEmpty() && brackets.back() == '{') {
            out += '|'; // array rows
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

bool isSyntaxError(sal_Int32 error)
{
    switch (error) {
    case 501: // invalid character
    case 504: // error in parameter list
    case 507: // missing pair
    case 508: // missing bracket
    case 509: // missing operator
    case 510: // missing variable
    case 511: // missing variable
    case 512: // formula overflow
        return true;
    default:
        return false;
    }
}
