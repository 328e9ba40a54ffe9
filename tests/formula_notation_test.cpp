#include "FormulaNotation.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The two lookup formulas the jobs write, and their R1C1 forms.
const QString kSummaryLookup = QStringLiteral(
    "=IF(VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)=\"\",\"\","
    "VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0))");
const QString kSummaryLookupR1C1 = QStringLiteral(
    "=IF(VLOOKUP(RC1,Summary!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,0)=\"\",\"\","
    "VLOOKUP(RC1,Summary!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,0))");
const QString kIndirectLookup = QStringLiteral(
    "=IF(VLOOKUP($B2,INDIRECT($A2&\"!$B$2:$H$100\"),COLUMN()-COLUMN($B2)+1,0)=\"\",\"\","
    "VLOOKUP($B2,INDIRECT($A2&\"!$B$2:$H$100\"),COLUMN()-COLUMN($B2)+1,0))");
const QString kIndirectLookupR1C1 = QStringLiteral(
    "=IF(VLOOKUP(RC2,INDIRECT(RC1&\"!$B$2:$H$100\"),COLUMN()-COLUMN(RC2)+1,0)=\"\",\"\","
    "VLOOKUP(RC2,INDIRECT(RC1&\"!$B$2:$H$100\"),COLUMN()-COLUMN(RC2)+1,0))");

} // namespace

class FormulaNotationTest : public QObject
{
    Q_OBJECT

private slots:
    void toR1C1_data();
    void toR1C1();
    void toA1_data();
    void toA1();
    void roundTripAtTheSameCell_data();
    void roundTripAtTheSameCell();
    void roundTripOfRandomText();
    void copyToAnotherCell_data();
    void copyToAnotherCell();
    void lookupFormulasSpreadOverTheirBlock();
    void cellOutsideTheSheetChangesNothing();
    void formulasReadingColumnsRelatively();
};

void FormulaNotationTest::toR1C1_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("own cell") << "=A1" << 1 << 1 << "=RC";
    QTest::newRow("relative") << "=B3+F4" << 5 << 4 << "=R[-2]C[-2]+R[-1]C[2]";
    QTest::newRow("absolute") << "=$A$3" << 9 << 9 << "=R3C1";
    QTest::newRow("mixed") << "=$A3*A$3" << 5 << 4 << "=R[-2]C1*R3C[-3]";
    QTest::newRow("lower case") << "=b2" << 1 << 1 << "=R[1]C[1]";
    QTest::newRow("sheet range") << "=SUM(Summary!$A$3:$F$20)" << 3 << 2
                                 << "=SUM(Summary!R3C1:R20C6)";
    QTest::newRow("whole columns") << "=SUM(A:C)+SUM($A:$C)" << 1 << 1 << "=SUM(C:C[2])+SUM(C1:C3)";
    QTest::newRow("single column") << "=SUM(A:A)+SUM($B:$B)" << 1 << 2 << "=SUM(C[-1])+SUM(C2)";
    QTest::newRow("mixed column pair kept") << "=SUM(A:$A)" << 1 << 1 << "=SUM(C:C1)";
    QTest::newRow("whole rows") << "=SUM(3:5)+SUM($3:$5)+SUM(4:4)" << 4 << 1
                                << "=SUM(R[-1]:R[1])+SUM(R3:R5)+SUM(R)";
    QTest::newRow("function names with digits") << "=LOG10(A1)+ATAN2(1,2)" << 2 << 2
                                                << "=LOG10(R[-1]C[-1])+ATAN2(1,2)";
    QTest::newRow("beyond the sheet is a name") << "=XFD1+XFE1+A1048576+A1048577+B0" << 1 << 1
                                                << "=RC[16383]+XFE1+R[1048575]C+A1048577+B0";
    QTest::newRow("three letters and digits is a cell") << "=TAX2024" << 1 << 1
                                                        << "=R[2023]C[13569]";
    QTest::newRow("names and booleans") << "=myName*2+TRUE+Rate" << 1 << 1
                                        << "=myName*2+TRUE+Rate";
    QTest::newRow("strings untouched") << "=\"A1\"&B1&\"$C$3:D4\"" << 1 << 1
                                       << "=\"A1\"&RC[1]&\"$C$3:D4\"";
    QTest::newRow("quoted sheet with blank") << "='2024 汇总'!$A$3:$F$20" << 1 << 1
                                             << "='2024 汇总'!R3C1:R20C6";
    QTest::newRow("quoted sheet with apostrophe") << "='O''Brien'!A1" << 2 << 2
                                                  << "='O''Brien'!R[-1]C[-1]";
    QTest::newRow("unquoted non-Latin sheet") << "=汇总!A1" << 1 << 1 << "=汇总!RC";
    QTest::newRow("three-D prefix") << "=SUM(Jan:Mar!B2)" << 1 << 1 << "=SUM(Jan:Mar!R[1]C[1])";
    QTest::newRow("prefix on both ends") << "=SUM(S!A1:S!B2)" << 1 << 1 << "=SUM(S!RC:S!R[1]C[1])";
    QTest::newRow("array constant untouched") << "=SUM({1,2;3,4})*A1" << 1 << 1
                                              << "=SUM({1,2;3,4})*RC";
    QTest::newRow("errors and numbers") << "=IF(ISNA(A2),#N/A,1E+3)" << 1 << 1
                                        << "=IF(ISNA(R[1]C),#N/A,1E+3)";
    QTest::newRow("spill") << "=SUM(A1#)" << 2 << 1 << "=SUM(R[-1]C#)";
    QTest::newRow("table reference") << "=SUM(Table1[Amount])" << 1 << 1 << "=SUM(Table1[Amount])";
    QTest::newRow("cell and column do not pair") << "=SUM(A1:C)" << 1 << 1 << "=SUM(A1:C)";
    QTest::newRow("range operator after a function") << "=INDEX(A:A,1):B5" << 1 << 1
                                                     << "=INDEX(C,1):R[4]C[1]";
    QTest::newRow("constant") << "A1+B2" << 1 << 1 << "A1+B2";
}

void FormulaNotationTest::toR1C1()
{
    QFETCH(QString, formula);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QCOMPARE(a1ToR1C1(formula, row, column), expected);
}

void FormulaNotationTest::toA1_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("relative") << "=R[1]C[-1]" << 5 << 4 << "=C6";
    QTest::newRow("absolute") << "=R3C1" << 5 << 4 << "=$A$3";
    QTest::newRow("row above") << "=R[-1]C" << 5 << 4 << "=D4";
    QTest::newRow("mixed") << "=RC1+R3C[1]" << 5 << 4 << "=$A5+E$3";
    QTest::newRow("lower case") << "=r[1]c[1]" << 1 << 1 << "=B2";
    QTest::newRow("whole columns") << "=SUM(C1:C3)+SUM(C[1])+SUM(C)" << 1 << 4
                                   << "=SUM($A:$C)+SUM(E:E)+SUM(D:D)";
    QTest::newRow("whole rows") << "=SUM(R3:R5)+SUM(R)+SUM(R[-1]:R[1])" << 7 << 1
                                << "=SUM($3:$5)+SUM(7:7)+SUM(6:8)";
    QTest::newRow("strings untouched") << "=\"R1C1\"&R1C1" << 2 << 2 << "=\"R1C1\"&$A$1";
    QTest::newRow("names untouched") << "=Rate*Count+RC(1)+R2D2" << 2 << 2
                                     << "=Rate*Count+RC(1)+R2D2";
    QTest::newRow("quotes inside strings")
        << "=INDIRECT(\"'\"&SUBSTITUTE(RC1,\"/\",\"\")&\"'!$B$2:$H$100\")" << 2 << 3
        << "=INDIRECT(\"'\"&SUBSTITUTE($A2,\"/\",\"\")&\"'!$B$2:$H$100\")";
    QTest::newRow("sheet prefixes kept") << "='2024 汇总'!R3C1:R20C6+'O''Brien'!RC+汇总!R[1]C"
                                         << 1 << 1
                                         << "='2024 汇总'!$A$3:$F$20+'O''Brien'!A1+汇总!A2";
    QTest::newRow("above row 1") << "=R[-1]C" << 1 << 1 << "=#REF!";
    QTest::newRow("left of column A") << "=RC[-2]+1" << 3 << 2 << "=#REF!+1";
    QTest::newRow("right of column XFD") << "=RC[1]" << 1 << 16384 << "=#REF!";
    QTest::newRow("below the last row") << "=R[1]C" << 1048576 << 1 << "=#REF!";
    QTest::newRow("out of sheet keeps the prefix") << "=Summary!R[-5]C*2" << 2 << 1
                                                   << "=Summary!#REF!*2";
    QTest::newRow("range partly out of sheet") << "=SUM(R[-1]C:R[1]C)" << 1 << 1 << "=SUM(#REF!)";
    QTest::newRow("whole rows out of sheet") << "=SUM(R[-3]:R)" << 2 << 1 << "=SUM(#REF!)";
    QTest::newRow("constant") << "R1C1" << 1 << 1 << "R1C1";
}

void FormulaNotationTest::toA1()
{
    QFETCH(QString, formula);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QCOMPARE(r1c1ToA1(formula, row, column), expected);
}

void FormulaNotationTest::roundTripAtTheSameCell_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    const QStringList formulas = {
        kSummaryLookup,
        kIndirectLookup,
        QStringLiteral("=INDIRECT(\"'\"&SUBSTITUTE($A2,\"/\",\"\")&\"'!$B$2:$H$100\")"),
        QStringLiteral("='2024 汇总'!$A$3:$F$20"),
        QStringLiteral("='O''Brien'!A1+汇总!A1"),
        QStringLiteral("=SUM(A:C)+SUM($B:$B)+SUM(C:C)+SUM(A:$A)"),
        QStringLiteral("=SUM(3:5)+SUM($7:$7)+SUM(2:2)"),
        QStringLiteral("=LOG10(A1)+ATAN2(B2,C3)+XFE1"),
        QStringLiteral("=IF(A1<>\"\",{1,2;3,4},#N/A)&1E+3"),
        QStringLiteral("=SUM(Jan:Mar!$B$2:D9)*XFD1048576"),
    };
    const QList<QPoint> cells = {{1, 1}, {2, 3}, {4, 5}, {28, 100}, {16384, 1048576}};
    for (const QString &formula : formulas)
        for (const QPoint &cell : cells)
            QTest::addRow("%s at R%dC%d", qPrintable(formula.left(24)), cell.y(), cell.x())
                << formula << cell.y() << cell.x();
}

void FormulaNotationTest::roundTripAtTheSameCell()
{
    QFETCH(QString, formula);
    QFETCH(int, row);
    QFETCH(int, column);
    QCOMPARE(r1c1ToA1(a1ToR1C1(formula, row, column), row, column), formula);
}

// Upper-case text without R or C names (which Excel does not allow in A1
// formulas) must come back exactly, references or not.
void FormulaNotationTest::roundTripOfRandomText()
{
    const QString alphabet = QStringLiteral("ABXFZ19$:!'\"-+(){},;# E.汇%<>&");
    QRandomGenerator random(4711);
    for (int round = 0; round < 20000; ++round) {
        QString formula = QStringLiteral("=");
        const int length = random.bounded(1, 16);
        for (int k = 0; k < length; ++k)
            formula += alphabet.at(random.bounded(alphabet.size()));
        const int row = random.bounded(1, 40);
        const int column = random.bounded(1, 40);
        const QString r1c1 = a1ToR1C1(formula, row, column);
        QVERIFY2(r1c1ToA1(r1c1, row, column) == formula,
                 qPrintable(formula + QStringLiteral(" -> ") + r1c1));
    }
}

void FormulaNotationTest::copyToAnotherCell_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QPoint>("from"); // x column, y row
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("expected");

    QString summaryAtD5 = kSummaryLookup;
    summaryAtD5.replace(QStringLiteral("$A3"), QStringLiteral("$A5"));
    QTest::newRow("summary lookup B3 to D5") << kSummaryLookup << QPoint(2, 3) << QPoint(4, 5)
                                             << summaryAtD5;
    QString indirectAtE7 = kIndirectLookup;
    indirectAtE7.replace(QStringLiteral("$B2"), QStringLiteral("$B7"))
        .replace(QStringLiteral("$A2&"), QStringLiteral("$A7&"));
    QTest::newRow("indirect lookup C2 to E7") << kIndirectLookup << QPoint(3, 2) << QPoint(5, 7)
                                              << indirectAtE7;
    QTest::newRow("quotes inside strings")
        << "=INDIRECT(\"'\"&SUBSTITUTE($A2,\"/\",\"\")&\"'!$B$2:$H$100\")" << QPoint(3, 2)
        << QPoint(8, 9) << "=INDIRECT(\"'\"&SUBSTITUTE($A9,\"/\",\"\")&\"'!$B$2:$H$100\")";
    QTest::newRow("relative, mixed, absolute") << "=A2+B$1+$C4+$D$5" << QPoint(2, 3)
                                               << QPoint(4, 6) << "=C5+D$1+$C7+$D$5";
    QTest::newRow("quoted and non-Latin sheets") << "='2024 汇总'!A1+'O''Brien'!B$2+汇总!$C3"
                                                 << QPoint(1, 1) << QPoint(3, 3)
                                                 << "='2024 汇总'!C3+'O''Brien'!D$2+汇总!$C5";
    QTest::newRow("whole columns move sideways") << "=SUM(A:A)+SUM(1:2)" << QPoint(2, 1)
                                                 << QPoint(4, 3) << "=SUM(C:C)+SUM(3:4)";
    QTest::newRow("moving above row 1") << "=A1+B5" << QPoint(2, 2) << QPoint(2, 1)
                                        << "=#REF!+B4";
    QTest::newRow("sheet range above row 1") << "=SUM(Summary!A1:B2)" << QPoint(1, 2)
                                             << QPoint(1, 1) << "=SUM(Summary!#REF!)";
    QTest::newRow("moving left of column A") << "=A1" << QPoint(2, 1) << QPoint(1, 1)
                                             << "=#REF!";
}

void FormulaNotationTest::copyToAnotherCell()
{
    QFETCH(QString, formula);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, expected);
    const QString r1c1 = a1ToR1C1(formula, from.y(), from.x());
    QCOMPARE(r1c1ToA1(r1c1, to.y(), to.x()), expected);
}

// What the jobs do: one formula at the top-left cell, its R1C1 form written
// into every cell of the block.
void FormulaNotationTest::lookupFormulasSpreadOverTheirBlock()
{
    const QString summaryR1C1 = a1ToR1C1(kSummaryLookup, 3, 2); // B3
    QCOMPARE(summaryR1C1, kSummaryLookupR1C1);
    const QString atD5 = r1c1ToA1(summaryR1C1, 5, 4);
    QVERIFY(atD5.startsWith(QStringLiteral("=IF(VLOOKUP($A5,Summary!$A$3:$F$20,")));
    QVERIFY(!atD5.contains(QStringLiteral("$A3")));

    const QString indirectR1C1 = a1ToR1C1(kIndirectLookup, 2, 3); // C2
    QCOMPARE(indirectR1C1, kIndirectLookupR1C1);
    for (int row = 2; row <= 100; row += 7) {
        for (int column = 3; column <= 8; ++column) {
            const QString written = r1c1ToA1(indirectR1C1, row, column);
            const QString key = QStringLiteral("$B%1").arg(row);
            const QString sheet = QStringLiteral("$A%1&").arg(row);
            QCOMPARE(written.count(key), 4);
            QCOMPARE(written.count(sheet), 2);
            QCOMPARE(written.count(QStringLiteral("\"!$B$2:$H$100\"")), 2);
        }
    }
}

void FormulaNotationTest::cellOutsideTheSheetChangesNothing()
{
    QCOMPARE(a1ToR1C1(QStringLiteral("=A1"), 0, 1), QStringLiteral("=A1"));
    QCOMPARE(a1ToR1C1(QStringLiteral("=A1"), 1, 16385), QStringLiteral("=A1"));
    QCOMPARE(r1c1ToA1(QStringLiteral("=RC"), 1048577, 1), QStringLiteral("=RC"));
    QCOMPARE(r1c1ToA1(QStringLiteral("=RC"), 1, -3), QStringLiteral("=RC"));
}


// A formula read once gives one text across a row only where no reference
// counts columns from its cell.
void FormulaNotationTest::formulasReadingColumnsRelatively()
{
    QVERIFY(!R1C1Formula(kSummaryLookupR1C1).readsColumnsRelatively());
    QVERIFY(!R1C1Formula(kIndirectLookupR1C1).readsColumnsRelatively());
    QVERIFY(!R1C1Formula("=SUM(R3)+R[1]C2+\"C[1]\"").readsColumnsRelatively());
    QVERIFY(!R1C1Formula("C[1]").readsColumnsRelatively()); // a constant
    QVERIFY(R1C1Formula("=R1C[-1]*2").readsColumnsRelatively());
    QVERIFY(R1C1Formula("=SUM(C[1])").readsColumnsRelatively());
    QVERIFY(R1C1Formula("=Summary!RC").readsColumnsRelatively());
    const R1C1Formula lookup(kSummaryLookupR1C1);
    for (int row : {3, 9, 10, 1048576})
        QCOMPARE(lookup.a1At(row, 4), r1c1ToA1(kSummaryLookupR1C1, row, 4));
}

QTEST_APPLESS_MAIN(FormulaNotationTest)
#include "formula_notation_test.moc"
