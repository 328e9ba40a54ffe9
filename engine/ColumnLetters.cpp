#include "ColumnLetters.h"

QString columnLetters(int column)
{
    QString letters;
    while (column > 0) {
        const int rest = (column - 1) % 26;
        letters.prepend(QChar('A' + rest));
        column = (column - 1) / 26;
    }
    return letters;
}

int columnNumber(const QString &letters)
{
    if (letters.isEmpty() || letters.size() > 7)
        return 0;
    int number = 0;
    for (QChar c : letters) {
        const char u = c.toUpper().toLatin1();
        if (u < 'A' || u > 'Z')
            return 0;
        number = number * 26 + (u - 'A' + 1);
    }
    return number;
}
