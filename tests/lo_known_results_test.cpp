// The category sheets' lookups worked out without the office, and their
// results written into a stored sheet: a key the office could match with
// another row, or a value it would show otherwise, must give no answer, and
// a result must land in its own formula cell or nowhere.
#include "FormulaNotation.h"
#include "FormulaResults.h"
#include "LookupResults.h"

#include <QtTest>

class LoKnownResultsTest : public QObject
{
    Q_OBJECT
private slots:
    void lookupsAreReadFromTheFormulasWritten()
    {
        // As the job writes it in B3 and the batch holds it.
        const QString vlookup = "VLOOKUP($A3,'Q''1 Summary'!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)";
        const std::optional<LookupFormula> f
            = parseLookupFormula(a1ToR1C1("=IF(" + vlookup + "=\"\",\"\"," + vlookup + ")", 3, 2));
        QVERIFY(f);
        QCOMPARE(f->tableSheet, QString("Q'1 Summary"));
        QCOMPARE(f->keyColumn, 1);
        QCOMPARE(f->top, 3);
        QCOMPARE(f->bottom, 20);
        QCOMPARE(f->right, 6);
        // The same shape with another match, another table start or two
        // different lookups is not one.
        QVERIFY(!parseLookupFormula("=IF(VLOOKUP(RC1,S!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,1)=\"\",\"\",VLOOKUP(RC1,S!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,1))"));
        QVERIFY(!parseLookupFormula("=IF(VLOOKUP(RC1,S!R3C2:R20C6,COLUMN()-COLUMN(RC1)+1,0)=\"\",\"\",VLOOKUP(RC1,S!R3C2:R20C6,COLUMN()-COLUMN(RC1)+1,0))"));
        QVERIFY(!parseLookupFormula("=IF(VLOOKUP(RC1,S!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,0)=\"\",\"\",VLOOKUP(RC1,T!R3C1:R20C6,COLUMN()-COLUMN(RC1)+1,0))"));
        QVERIFY(!parseLookupFormula("=VLOOKUP(RC1,S!R3C1:R20C6,2,0)"));
    }

    void keysTheOfficeCouldMatchOtherwiseFindNothing()
    {
        const LookupIndex index({QVariant("K001"), QVariant(3.0), QVariant(), QVariant("straße"), QVariant("STRASSE"),
                                 QVariant("ａｂｃ"), QVariant("ABC"), QVariant("Café"), QVariant("k9"),
                                 QVariant(0.0), QVariant("x"), QVariant("X"), QVariant("3")});
        QCOMPARE(index.rowOf(QVariant("K001")), std::optional<int>(0));
        QCOMPARE(index.rowOf(QVariant(3.0)), std::optional<int>(1));
        QCOMPARE(index.rowOf(QVariant("3")), std::optional<int>(12)); // a text is not the number
        QCOMPARE(index.rowOf(QVariant(-0.0)), std::optional<int>(9));
        QCOMPARE(index.rowOf(QVariant("Café")), std::optional<int>(7));
        // Only the very key: another case finds nothing here, though the office would match it.
        QVERIFY(!index.rowOf(QVariant("k001")));
        QVERIFY(!index.rowOf(QVariant("K9")));
        // Keys the office may take for one another: case, width, "ß".
        QVERIFY(!index.rowOf(QVariant("x")));
        QVERIFY(!index.rowOf(QVariant("ABC")));
        QVERIFY(!index.rowOf(QVariant("straße")));
        // Patterns, empty keys, truth values and keys not there.
        const LookupIndex patterns({QVariant("K*1"), QVariant("K?2"), QVariant("K~3"), QVariant(true)});
        QVERIFY(!patterns.rowOf(QVariant("K*1")));
        QVERIFY(!patterns.rowOf(QVariant("K?2")));
        QVERIFY(!patterns.rowOf(QVariant("K~3")));
        QVERIFY(!patterns.rowOf(QVariant(true)));
        QVERIFY(!index.rowOf(QVariant()));
        QVERIFY(!index.rowOf(QVariant("K404")));
    }

    void valuesAreShownAsTheFormulaShowsThem()
    {
        QCOMPARE(lookupShows(QVariant()), std::optional<QVariant>(QVariant(QString(""))));
        QCOMPARE(lookupShows(QVariant(2.5)), std::optional<QVariant>(QVariant(2.5)));
        QCOMPARE(lookupShows(QVariant("a & <b>\nc")), std::optional<QVariant>(QVariant("a & <b>\nc")));
        QVERIFY(!lookupShows(QVariant(true)));
        QVERIFY(!lookupShows(QVariant(QString("bell") + QChar(7))));
        QVERIFY(!lookupShows(QVariant("_x0041_"))); // a reader would take it for "A"
    }

    void resultsLandInTheirFormulaCellsOnly()
    {
        const QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"m\"><sheetData>"
                                 "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c>"
                                 "<c r=\"B2\" s=\"3\" t=\"n\"><f aca=\"false\">IF(x)</f><v>0</v></c>"
                                 "<c r=\"C2\" s=\"3\" t=\"n\"><f aca=\"false\">IF(y)</f><v>0</v></c></row>"
                                 "</sheetData><cols/></worksheet>";
        QByteArray out;
        QString error;
        QVERIFY2(ooxml::writeFormulaResults(sheet, {{2, 2, QVariant(2.0 / 3), {}}, {2, 3, QVariant("a<&>\"b\r\n"), {}}}, &out, &error),
                 qPrintable(error));
        QVERIFY2(out.contains("<c r=\"B2\" s=\"3\" t=\"n\"><f aca=\"false\">IF(x)</f><v>0.666666666666667</v></c>"), out.constData());
        QVERIFY2(out.contains("<c r=\"C2\" s=\"3\" t=\"str\"><f aca=\"false\">IF(y)</f><v>a&lt;&amp;&gt;\"b&#13;&#10;</v></c>"),
                 out.constData());
        QVERIFY(out.contains("<c r=\"A2\" t=\"s\"><v>0</v></c>"));
        // A constant, or a cell the part does not hold, takes nothing.
        QVERIFY(!ooxml::writeFormulaResults(sheet, {{2, 1, QVariant(1.0), {}}}, &out, &error));
        QVERIFY(!ooxml::writeFormulaResults(sheet, {{2, 2, QVariant(1.0), {}}, {7, 2, QVariant(1.0), {}}}, &out, &error));
        QVERIFY(error.contains("1 of 2"));
    }

    // Stand-in values get their formula after the first one the office
    // printed, which must read exactly as the job would write it.
    void standInsTakeTheirFormulas()
    {
        const QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"m\"><sheetData>"
                                 "<row r=\"2\"><c r=\"B2\" s=\"3\" t=\"n\"><f aca=\"false\">VLOOKUP($A2,&apos;It&apos;&apos;s&apos;!$A:$C,2,0)&amp;&quot;&quot;</f><v/></c>"
                                 "<c r=\"C2\" s=\"4\" t=\"n\"><v>0</v></c></row>"
                                 "<row r=\"3\"><c r=\"B3\" s=\"3\" t=\"n\"><v>0</v></c></row>"
                                 "</sheetData></worksheet>";
        const auto lookup = [](int row) { return QStringLiteral("VLOOKUP($A%1,'It''s'!$A:$C,2,0)&\"\"").arg(row); };
        QByteArray out;
        QString error;
        QVERIFY2(ooxml::writeFormulaResults(sheet, {{2, 2, QVariant(1.0), lookup(2)}, {2, 3, QVariant("x<y"), lookup(2)},
                                                    {3, 2, QVariant(3.0), lookup(3)}},
                                            &out, &error),
                 qPrintable(error));
        QVERIFY2(out.contains("<c r=\"C2\" s=\"4\" t=\"str\"><f aca=\"false\">VLOOKUP($A2,&apos;It&apos;&apos;s&apos;!$A:$C,2,0)&amp;&quot;&quot;</f>"
                              "<v>x&lt;y</v></c>"),
                 out.constData());
        QVERIFY2(out.contains("<c r=\"B3\" s=\"3\" t=\"n\"><f aca=\"false\">VLOOKUP($A3,&apos;It&apos;&apos;s&apos;!$A:$C,2,0)&amp;&quot;&quot;</f>"
                              "<v>3</v></c>"),
                 out.constData());
        // The office printing it otherwise, or a stand-in before any printed
        // formula, leaves the part to the office's own formulas.
        QVERIFY(!ooxml::writeFormulaResults(sheet, {{2, 2, QVariant(1.0), lookup(2) + " "}}, &out, &error));
        QVERIFY(error.contains("otherwise"));
        QVERIFY(!ooxml::writeFormulaResults(sheet, {{2, 3, QVariant(1.0), lookup(2)}}, &out, &error));
    }
};

QTEST_APPLESS_MAIN(LoKnownResultsTest)
#include "lo_known_results_test.moc"
