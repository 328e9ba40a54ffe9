#include "FormulaTokens.h"
#include "TableReferences.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// "Kind:text" per token, joined by " | ", so a failure shows the whole split.
QString describe(const QList<FormulaToken> &tokens)
{
    static const char *const names[] = {"Operand", "Number", "Text", "Error", "Function",
                                        "Open", "Close", "OpenBrace", "CloseBrace",
                                        "Sep", "Op", "Blank"};
    QStringList parts;
    for (const FormulaToken &token : tokens)
        parts << QString::fromLatin1(names[token.kind]) + QLatin1Char(':') + token.text;
    return parts.join(QStringLiteral(" | "));
}

} // namespace

class FormulaTokensTest : public QObject
{
    Q_OBJECT

private slots:
    void splitsAsExpected_data();
    void splitsAsExpected();
    void givesTheTextBack_data();
    void givesTheTextBack();
    void recordsPositions();
    void givesRandomTextBack();
    void renamesOneTablesReferences_data();
    void renamesOneTablesReferences();
};

void FormulaTokensTest::splitsAsExpected_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("tokens");

    QTest::newRow("string with quotes and commas")
        << QStringLiteral("=IF(A1=\"a,\"\"b\"\"\",1,2)")
        << QStringLiteral("Op:= | Function:IF | Open:( | Operand:A1 | Op:= | Text:\"a,\"\"b\"\"\" | "
                          "Sep:, | Number:1 | Sep:, | Number:2 | Close:)");
    QTest::newRow("string looking like a reference")
        << QStringLiteral("=INDIRECT($A2&\"!$B$2:$H$100\")")
        << QStringLiteral("Op:= | Function:INDIRECT | Open:( | Operand:$A2 | Op:& | "
                          "Text:\"!$B$2:$H$100\" | Close:)");
    QTest::newRow("quoted sheet with doubled apostrophe and bang")
        << QStringLiteral("='O''Brien!x'!A1+1")
        << QStringLiteral("Op:= | Operand:'O''Brien!x'!A1 | Op:+ | Number:1");
    QTest::newRow("quoted sheet with comma and parenthesis")
        << QStringLiteral("=SUM('a,(b)'!A1:B2)")
        << QStringLiteral("Op:= | Function:SUM | Open:( | Operand:'a,(b)'!A1:B2 | Close:)");
    QTest::newRow("unquoted non-Latin sheet")
        << QStringLiteral("=汇总!A1")
        << QStringLiteral("Op:= | Operand:汇总!A1");
    QTest::newRow("quoted sheet with blank and digits")
        << QStringLiteral("='2024 汇总'!$A$3:$F$20")
        << QStringLiteral("Op:= | Operand:'2024 汇总'!$A$3:$F$20");
    QTest::newRow("function names ending in digits")
        << QStringLiteral("=LOG10(A1)+ATAN2(1,2)")
        << QStringLiteral("Op:= | Function:LOG10 | Open:( | Operand:A1 | Close:) | Op:+ | "
                          "Function:ATAN2 | Open:( | Number:1 | Sep:, | Number:2 | Close:)");
    QTest::newRow("exponent sign stays in the number")
        << QStringLiteral("=1E+3-2.5e-2+E1+3")
        << QStringLiteral("Op:= | Number:1E+3 | Op:- | Number:2.5e-2 | Op:+ | Operand:E1 | "
                          "Op:+ | Number:3");
    QTest::newRow("error values")
        << QStringLiteral("=IF(ISNA(A1),#N/A,#DIV/0!)&Sheet1!#REF!")
        << QStringLiteral("Op:= | Function:IF | Open:( | Function:ISNA | Open:( | Operand:A1 | "
                          "Close:) | Sep:, | Error:#N/A | Sep:, | Error:#DIV/0! | Close:) | "
                          "Op:& | Operand:Sheet1!#REF!");
    QTest::newRow("array constant")
        << QStringLiteral("={1,2;3,\"x\"}")
        << QStringLiteral("Op:= | OpenBrace:{ | Number:1 | Sep:, | Number:2 | Sep:; | Number:3 | "
                          "Sep:, | Text:\"x\" | CloseBrace:}");
    QTest::newRow("comparison and percent")
        << QStringLiteral("=A1<=5%<>B1>=-C1")
        << QStringLiteral("Op:= | Operand:A1 | Op:<= | Number:5 | Op:% | Op:<> | Operand:B1 | "
                          "Op:>= | Op:- | Operand:C1");
    QTest::newRow("whole columns and rows")
        << QStringLiteral("=SUM(A:C,3:5)")
        << QStringLiteral("Op:= | Function:SUM | Open:( | Operand:A:C | Sep:, | Operand:3:5 | "
                          "Close:)");
    QTest::newRow("R1C1 brackets keep their minus")
        << QStringLiteral("=SUM(R[-1]C[2]:R[1]C)-RC1")
        << QStringLiteral("Op:= | Function:SUM | Open:( | Operand:R[-1]C[2]:R[1]C | Close:) | "
                          "Op:- | Operand:RC1");
    QTest::newRow("range operator after a parenthesis")
        << QStringLiteral("=INDEX(A:A,1):B5")
        << QStringLiteral("Op:= | Function:INDEX | Open:( | Operand:A:A | Sep:, | Number:1 | "
                          "Close:) | Op:: | Operand:B5");
    QTest::newRow("range operator before a function")
        << QStringLiteral("=SUM(A1:INDEX(B:B,2))")
        << QStringLiteral("Op:= | Function:SUM | Open:( | Operand:A1 | Op:: | Function:INDEX | "
                          "Open:( | Operand:B:B | Sep:, | Number:2 | Close:) | Close:)");
    QTest::newRow("table reference with nested brackets")
        << QStringLiteral("=SUM(T[[#This Row],[a-b]])")
        << QStringLiteral("Op:= | Function:SUM | Open:( | Operand:T[[#This Row],[a-b]] | Close:)");
    QTest::newRow("blanks are tokens")
        << QStringLiteral("= A1 \t+ B1")
        << QStringLiteral("Op:= | Blank:  | Operand:A1 | Blank: \t | Op:+ | Blank:  | Operand:B1");
    QTest::newRow("unterminated string runs to the end")
        << QStringLiteral("=\"abc,(")
        << QStringLiteral("Op:= | Text:\"abc,(");
    QTest::newRow("unterminated sheet quote runs to the end")
        << QStringLiteral("='abc+1")
        << QStringLiteral("Op:= | Operand:'abc+1");
}

void FormulaTokensTest::splitsAsExpected()
{
    QFETCH(QString, formula);
    QFETCH(QString, tokens);
    QCOMPARE(describe(formulaTokens(formula)), tokens);
}

void FormulaTokensTest::givesTheTextBack_data()
{
    QTest::addColumn<QString>("formula");
    QTest::newRow("empty") << QString();
    QTest::newRow("plain text") << QStringLiteral("hello world");
    QTest::newRow("lookup")
        << QStringLiteral("=IF(VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)=\"\",\"\","
                          "VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0))");
    QTest::newRow("indirect")
        << QStringLiteral("=INDIRECT(\"'\"&SUBSTITUTE($A2,\"/\",\"\")&\"'!$B$2:$H$100\")");
    QTest::newRow("odd quotes") << QStringLiteral("=\"\"\"'\"&'a''b'!A1&\"");
    QTest::newRow("stray closers") << QStringLiteral("=))]}}#,#x!");
    QTest::newRow("external book") << QStringLiteral("=[Book 1.xlsx]Sheet1!$A$1*'C:\\x\\[b.xls]S'!B2");
}

void FormulaTokensTest::givesTheTextBack()
{
    QFETCH(QString, formula);
    QCOMPARE(formulaTokensText(formulaTokens(formula)), formula);
}

void FormulaTokensTest::recordsPositions()
{
    const QString formula = QStringLiteral("=SUM('a b'!A1, \"x\")");
    for (const FormulaToken &token : formulaTokens(formula))
        QCOMPARE(formula.mid(token.position, token.text.size()), token.text);
}

// Whatever the user or the office hands over, nothing may be lost or added.
void FormulaTokensTest::givesRandomTextBack()
{
    const QString alphabet = QStringLiteral("=ARC19$:!'\"[]-+(){},;# E.汇%@<>&");
    QRandomGenerator random(20240);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = random.bounded(1, 16);
        for (int k = 0; k < length; ++k)
            text += alphabet.at(random.bounded(alphabet.size()));
        const QList<FormulaToken> tokens = formulaTokens(text);
        QCOMPARE(formulaTokensText(tokens), text);
        for (const FormulaToken &token : tokens)
            QVERIFY2(!token.text.isEmpty(), qPrintable(text));
    }
}

// A copied sheet's formulas name the copy's own table: only references to
// that table change, in whatever case they name it.
void FormulaTokensTest::renamesOneTablesReferences_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("renamed");
    QTest::newRow("this row, as the office gives it")
        << QString::fromUtf8("=表1[[#This Row];[数量]]*表1[[#This Row];[单价]]")
        << QString::fromUtf8("=表1_2[[#This Row];[数量]]*表1_2[[#This Row];[单价]]");
    QTest::newRow("a whole column") << QString::fromUtf8("=SUM(表1[金额])") << QString::fromUtf8("=SUM(表1_2[金额])");
    QTest::newRow("longer names and other tables stay")
        << QString::fromUtf8("=表10[a]+X表1[a]+表1_3[a]+表2[a]") << QString::fromUtf8("=表10[a]+X表1[a]+表1_3[a]+表2[a]");
    QTest::newRow("texts, quoted sheet names and column names stay")
        << QString::fromUtf8("=\"表1[a]\"&'表1[x'!A1&表2[[表1[a]]]&表1[']'[表1[b]]")
        << QString::fromUtf8("=\"表1[a]\"&'表1[x'!A1&表2[[表1[a]]]&表1_2[']'[表1[b]]");
    QTest::newRow("a name without brackets is no table reference") << QString::fromUtf8("=表1+1")
        << QString::fromUtf8("=表1+1");
}

void FormulaTokensTest::renamesOneTablesReferences()
{
    QFETCH(QString, formula);
    QFETCH(QString, renamed);
    QCOMPARE(renameTableReferences(formula, QString::fromUtf8("表1"), QString::fromUtf8("表1_2")), renamed);
    // Table names are compared without regard to case.
    QCOMPARE(renameTableReferences(QStringLiteral("=SUM(table1[x])+Sales[x]"), QStringLiteral("Table1"),
                                   QStringLiteral("Table1_2")),
             QStringLiteral("=SUM(Table1_2[x])+Sales[x]"));
}

QTEST_APPLESS_MAIN(FormulaTokensTest)
#include "formula_tokens_test.moc"
