#pragma once

#include <QList>
#include <QString>

// One lexical piece of an Excel formula as typed in English: "," separates
// arguments, strings sit in double quotes, sheet names may be quoted with
// apostrophes. Joining the texts of all tokens gives the input back unchanged.
struct FormulaToken {
    enum Kind {
        Operand,     // reference, name, TRUE/FALSE, with any sheet prefix: Sheet1!A1:B2
        Number,      // 12, 1.5, 1E+3
        Text,        // "a ""quoted"" word", quotes included
        Error,       // #REF!, #N/A, ...
        Function,    // the name in front of "(", without the parenthesis
        OpenParen,
        CloseParen,
        OpenBrace,   // array constant {1,2;3,4}
        CloseBrace,
        Separator,   // "," or ";"
        Operator,    // + - * / ^ & = <> <= >= < > % : @
        Whitespace
    };

    Kind kind = Operand;
    QString text;
    int position = 0; // offset of the first character in the formula

    bool operator==(const FormulaToken &other) const
    {
        return kind == other.kind && text == other.text && position == other.position;
    }
};

// Splits formula text into tokens. Never fails: an unterminated string, quoted
// sheet name or bracket simply runs to the end of the text.
QList<FormulaToken> formulaTokens(const QString &formula);

// The texts of the tokens put back together.
QString formulaTokensText(const QList<FormulaToken> &tokens);
