#include "FormulaTokens.h"

#include <QRegularExpression>

namespace {

// Error values Excel writes into formulas, in the form it writes them.
const char *const kErrorLiterals[] = {
    "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A",
    "#GETTING_DATA", "#SPILL!", "#CALC!", "#FIELD!", "#BLOCKED!",
    "#CONNECT!", "#BUSY!", "#UNKNOWN!", "#PYTHON!",
};

int errorLiteralLength(const QString &text, int pos)
{
    for (const char *literal : kErrorLiterals) {
        const QLatin1String candidate(literal);
        if (text.midRef(pos, candidate.size()).compare(candidate, Qt::CaseInsensitive) == 0)
            return candidate.size();
    }
    return 0;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r')
        || c == QLatin1Char('\n');
}

// Characters that end an operand (and are tokens of their own).
bool endsOperand(QChar c)
{
    static const QString breakers = QStringLiteral("\"(){},;+-*/^&=<>%@");
    return isBlank(c) || breakers.contains(c);
}

bool isNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

// "1E" or "2.5e": the sign that follows belongs to the number.
bool isExponentStem(const QStringRef &text)
{
    static const QRegularExpression stem(QStringLiteral("^(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)[eE]$"));
    return stem.match(text).hasMatch();
}

class Tokenizer
{
public:
    explicit Tokenizer(const QString &formula) : m_text(formula) {}

    QList<FormulaToken> run()
    {
        const int n = m_text.size();
        while (m_pos < n) {
            const QChar c = m_text.at(m_pos);
            if (c == QLatin1Char('"')) {
                flushOperand();
                const int end = skipQuoted(m_pos);
                add(FormulaToken::Text, m_pos, end);
                m_pos = end;
            } else if (c == QLatin1Char('\'')) {
                startOperand();
                m_pos = skipQuoted(m_pos);
            } else if (c == QLatin1Char('[')) {
                startOperand();
                m_pos = skipBrackets(m_pos);
            } else if (c == QLatin1Char('#')) {
                readHash();
            } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && m_operandStart >= 0
                       && isExponentStem(m_text.midRef(m_operandStart, m_pos - m_operandStart))) {
                ++m_pos;
            } else if (c == QLatin1Char(':')) {
                // Inside an operand the colon joins a range (A1:B2, A:C, 3:5);
                // after a parenthesis it is the range operator on its own.
                if (m_operandStart < 0)
                    add(FormulaToken::Operator, m_pos, m_pos + 1);
                ++m_pos;
            } else if (!endsOperand(c)) {
                startOperand();
                ++m_pos;
            } else {
                readBreaker(c);
            }
        }
        flushOperand();
        return m_tokens;
    }

private:
    void startOperand()
    {
        if (m_operandStart < 0)
            m_operandStart = m_pos;
    }

    void add(FormulaToken::Kind kind, int start, int end)
    {
        FormulaToken token;
        token.kind = kind;
        token.text = m_text.mid(start, end - start);
        token.position = start;
        m_tokens.append(token);
    }

    void flushOperand()
    {
        if (m_operandStart < 0)
            return;
        const QString text = m_text.mid(m_operandStart, m_pos - m_operandStart);
        add(isNumber(text) ? FormulaToken::Number : FormulaToken::Operand, m_operandStart, m_pos);
        m_operandStart = -1;
    }

    // The operand in front of "(" is a function name. In "A1:INDEX(" only the
    // part after the last range colon is.
    void flushFunction()
    {
        const int colon = lastRangeColon(m_operandStart, m_pos);
        if (colon >= 0) {
            add(FormulaToken::Operand, m_operandStart, colon);
            add(FormulaToken::Operator, colon, colon + 1);
            if (colon + 1 < m_pos)
                add(FormulaToken::Function, colon + 1, m_pos);
        } else {
            add(FormulaToken::Function, m_operandStart, m_pos);
        }
        m_operandStart = -1;
    }

    int lastRangeColon(int start, int end) const
    {
        int found = -1;
        int j = start;
        while (j < end) {
            const QChar c = m_text.at(j);
            if (c == QLatin1Char('\'')) {
                j = skipQuoted(j);
            } else if (c == QLatin1Char('[')) {
                j = skipBrackets(j);
            } else {
                if (c == QLatin1Char(':'))
                    found = j;
                ++j;
            }
        }
        return found;
    }

    void readHash()
    {
        const int length = errorLiteralLength(m_text, m_pos);
        if (length == 0) {
            // Not an error value: part of an operand, as in the spill reference A1#.
            startOperand();
            ++m_pos;
            return;
        }
        if (m_operandStart >= 0 && m_text.at(m_pos - 1) == QLatin1Char('!')) {
            // Sheet1!#REF! stays one operand.
            m_pos += length;
            return;
        }
        flushOperand();
        add(FormulaToken::Error, m_pos, m_pos + length);
        m_pos += length;
    }

    void readBreaker(QChar c)
    {
        if (c == QLatin1Char('(')) {
            if (m_operandStart >= 0)
                flushFunction();
            add(FormulaToken::OpenParen, m_pos, m_pos + 1);
            ++m_pos;
            return;
        }
        flushOperand();
        const int start = m_pos;
        if (isBlank(c)) {
            while (m_pos < m_text.size() && isBlank(m_text.at(m_pos)))
                ++m_pos;
            add(FormulaToken::Whitespace, start, m_pos);
            return;
        }
        FormulaToken::Kind kind = FormulaToken::Operator;
        int length = 1;
        switch (c.unicode()) {
        case ')': kind = FormulaToken::CloseParen; break;
        case '{': kind = FormulaToken::OpenBrace; break;
        case '}': kind = FormulaToken::CloseBrace; break;
        case ',':
        case ';': kind = FormulaToken::Separator; break;
        case '<':
            if (nextIs('=') || nextIs('>'))
                length = 2;
            break;
        case '>':
            if (nextIs('='))
                length = 2;
            break;
        default: break;
        }
        add(kind, start, start + length);
        m_pos += length;
    }

    bool nextIs(char c) const
    {
        return m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char(c);
    }

    // pos is on an opening quote (" or '); returns the index after its closing
    // quote, where a doubled quote stands for the quote itself.
    int skipQuoted(int pos) const
    {
        const QChar quote = m_text.at(pos);
        int j = pos + 1;
        while (j < m_text.size()) {
            if (m_text.at(j) == quote) {
                if (j + 1 < m_text.size() && m_text.at(j + 1) == quote) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return m_text.size();
    }

    // pos is on "["; returns the index after the matching "]". Covers R[-1],
    // [Book.xlsx] and nested table references with ' as escape character.
    int skipBrackets(int pos) const
    {
        int depth = 0;
        int j = pos;
        while (j < m_text.size()) {
            const QChar c = m_text.at(j);
            if (c == QLatin1Char('\'')) {
                j += 2;
                continue;
            }
            if (c == QLatin1Char('[')) {
                ++depth;
            } else if (c == QLatin1Char(']')) {
                if (--depth == 0)
                    return j + 1;
            }
            ++j;
        }
        return m_text.size();
    }

    const QString &m_text;
    QList<FormulaToken> m_tokens;
    int m_pos = 0;
    int m_operandStart = -1;
};

} // namespace

QList<FormulaToken> formulaTokens(const QString &formula)
{
    return Tokenizer(formula).run();
}

QString formulaTokensText(const QList<FormulaToken> &tokens)
{
    QString text;
    for (const FormulaToken &token : tokens)
        text += token.text;
    return text;
}
