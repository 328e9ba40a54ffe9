#include "CategoryColumn.h"
#include "FormulaReach.h"
#include "Formulas.h"
#include "SheetNames.h"

#include <QtTest>

// The texts the jobs write into formulas, sheet names and references.
class EngineFormulasTest : public QObject
{
    Q_OBJECT
private slots:
    void formulaRange_data()
    {
        QTest::addColumn<QString>("allowEditRange");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("block") << "B3:F20" << 57 << "B3:F57";
        QTest::newRow("no last row") << "B3:F" << 57 << "B3:F57";
        QTest::newRow("single cell") << "C5" << 57 << "C57";
        QTest::newRow("two areas: only the last row changes") << "A2:B9,D2:E9" << 57 << "A2:B9,D2:E57";
        QTest::newRow("fewer rows than the top row") << "B3:F20" << 2 << "B3:F2";
        QTest::newRow("dollar signs are read as plain A1") << "$B$3:$F$20" << 9 << "B3:F9";
        QTest::newRow("lower case letters") << "b3:f20" << 9 << "b3:f9";
    }
    void formulaRange()
    {
        QFETCH(QString, allowEditRange);
        QFETCH(int, rows);
        QFETCH(QString, expected);
        QCOMPARE(::formulaRange(allowEditRange, rows), expected);
    }

    // ClassifyShow: the category sheet's cell B3 with the editable range B3:F20.
    void linkFormulaOfTheDescribedCase()
    {
        const BlockGeometry allowed{3, 2, 18, 5};
        const QString lookup = QStringLiteral("VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)");
        QCOMPARE(lookupExpression(QStringLiteral("Summary"), 1, allowed), lookup);
        QCOMPARE(linkFormula(QStringLiteral("Summary"), 1, allowed),
                 QStringLiteral("=IF(") + lookup + QStringLiteral("=\"\",\"\",") + lookup + QStringLiteral(")"));
    }

    void linkFormulaWithWideColumns()
    {
        // Match column 28, editable block from B to column 30.
        const BlockGeometry allowed{3, 2, 18, 29};
        QCOMPARE(lookupExpression(QStringLiteral("Summary"), 28, allowed),
                 QStringLiteral("VLOOKUP($AB3,Summary!$AB$3:$AD$20,COLUMN()-COLUMN($AB3)+1,0)"));
    }

    void linkFormulaQuotesTheSummaryNameWhenNeeded()
    {
        const BlockGeometry allowed{3, 2, 18, 5};
        QCOMPARE(lookupExpression(QString::fromUtf8("2024 汇总"), 1, allowed),
                 QString::fromUtf8("VLOOKUP($A3,'2024 汇总'!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)"));
        QCOMPARE(lookupExpression(QStringLiteral("O'Brien"), 1, allowed),
                 QStringLiteral("VLOOKUP($A3,'O''Brien'!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)"));
        QCOMPARE(lookupExpression(QString::fromUtf8("汇总表"), 1, allowed),
                 QString::fromUtf8("VLOOKUP($A3,汇总表!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0)"));
    }

    // InsertHyperLinks: the summary's cell C2 with category column 1, match
    // column 2 and the block C2:H100.
    void summaryFormulaOfTheDescribedCase()
    {
        const BlockGeometry block{2, 3, 99, 6};
        const QStringList categories{QStringLiteral("North"), QStringLiteral("South")};
        const QString lookup =
            QStringLiteral("VLOOKUP($B2,INDIRECT($A2&\"!R2C2:R100C8\",FALSE),COLUMN()-COLUMN($B2)+1,0)");
        QCOMPARE(summaryLookup(2, 1, 2, block, categories), lookup);
        QCOMPARE(summaryFormula(2, 1, 2, block, categories),
                 QStringLiteral("=IF(") + lookup + QStringLiteral("=\"\",\"\",") + lookup + QStringLiteral(")"));
    }

    // A later row looks up its own key; a sheet whose name the category cell
    // cannot give is named in the formula, over the same block.
    void summaryFormulaOfOneRow()
    {
        const BlockGeometry block{2, 3, 99, 6};
        QCOMPARE(summaryLookup(2, 1, 7, block, {QStringLiteral("North")}),
                 QStringLiteral("VLOOKUP($B7,INDIRECT($A7&\"!R2C2:R100C8\",FALSE),COLUMN()-COLUMN($B7)+1,0)"));
        QCOMPARE(directSummaryLookup(2, 7, block, QStringLiteral("abc (2)")),
                 QStringLiteral("VLOOKUP($B7,'abc (2)'!$B$2:$H$100,COLUMN()-COLUMN($B7)+1,0)"));
    }

    void summaryFormulaWithWideColumns()
    {
        const BlockGeometry block{2, 3, 99, 28}; // C to AD
        QCOMPARE(summaryLookup(28, 1, 2, block, {QStringLiteral("North")}),
                 QStringLiteral("VLOOKUP($AB2,INDIRECT($A2&\"!R2C28:R100C30\",FALSE),COLUMN()-COLUMN($AB2)+1,0)"));
    }

    void summaryFormulaReachesSheetsWhoseNamesNeedCare_data()
    {
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("argument");
        QTest::newRow("a name needing quotes") << QStringList{"North", "1班"}
            << QString::fromUtf8("\"'\"&$A2&\"'!R2C2:R100C8\"");
        QTest::newRow("a removed character") << QStringList{"A/B", "North"}
            << QString::fromUtf8("\"'\"&SUBSTITUTE($A2,\"/\",\"\")&\"'!R2C2:R100C8\"");
        QTest::newRow("two removed characters, in a fixed order") << QStringList{"a|b", "c:d"}
            << QString::fromUtf8("\"'\"&SUBSTITUTE(SUBSTITUTE($A2,\":\",\"\"),\"|\",\"\")&\"'!R2C2:R100C8\"");
        QTest::newRow("a double quote") << QStringList{"5\" pipe"}
            << QString::fromUtf8("\"'\"&SUBSTITUTE($A2,\"\"\"\",\"\")&\"'!R2C2:R100C8\"");
        QTest::newRow("an apostrophe") << QStringList{"O'Brien"}
            << QString::fromUtf8("\"'\"&SUBSTITUTE($A2,\"'\",\"''\")&\"'!R2C2:R100C8\"");
    }
    void summaryFormulaReachesSheetsWhoseNamesNeedCare()
    {
        QFETCH(QStringList, categories);
        QFETCH(QString, argument);
        const BlockGeometry block{2, 3, 99, 6};
        QCOMPARE(summaryLookup(2, 1, 2, block, categories),
                 QStringLiteral("VLOOKUP($B2,INDIRECT(") + argument
                     + QStringLiteral(",FALSE),COLUMN()-COLUMN($B2)+1,0)"));
    }

    void sheetNamesFollowTheSpreadsheetsRules()
    {
        QCOMPARE(sheetName(QStringLiteral("a/b")), QStringLiteral("ab"));
        QCOMPARE(sheetName(QStringLiteral("a:b\\c/d*e?f\"g<h>i|j[k]l")), QStringLiteral("abcdefghijkl"));
        // Blanks, case and the index's own name stay; apostrophes go at the
        // ends only; control characters go; 31 characters at most.
        QCOMPARE(sheetName(QStringLiteral(" South ")), QStringLiteral(" South "));
        QCOMPARE(sheetName(QString::fromUtf8("目录")), QString::fromUtf8("目录"));
        QCOMPARE(sheetName(QStringLiteral("[x]'y")), QStringLiteral("x'y"));
        QCOMPARE(sheetName(QStringLiteral("''quoted'")), QStringLiteral("quoted"));
        QCOMPARE(sheetName(QStringLiteral("two\nlines")), QStringLiteral("twolines"));
        QCOMPARE(sheetName(QString(40, QLatin1Char('x'))), QString(31, QLatin1Char('x')));
        QCOMPARE(sheetName(QString(30, QLatin1Char('x')) + QStringLiteral("'y")), QString(30, QLatin1Char('x')));
        QCOMPARE(sheetName(QStringLiteral("???")), QString());
    }

    void categorySheetNamesAreUnique()
    {
        QStringList taken{sheetNameKey(QString::fromUtf8("目录")), sheetNameKey(QStringLiteral("Summary"))};
        QCOMPARE(categorySheetName(QString::fromUtf8("目录"), true, taken), QString::fromUtf8("目录 (2)"));
        QCOMPARE(categorySheetName(QStringLiteral("SUMMARY"), true, taken), QStringLiteral("SUMMARY (2)"));
        QCOMPARE(categorySheetName(QStringLiteral("???"), true, taken), QString::fromUtf8("分类"));
        taken << sheetNameKey(QStringLiteral("Abc")) << sheetNameKey(QStringLiteral("abc (2)"));
        QCOMPARE(categorySheetName(QStringLiteral("aBC"), true, taken), QStringLiteral("aBC (3)"));
        taken << sheetNameKey(QString(31, QLatin1Char('x')));
        QCOMPARE(categorySheetName(QString(40, QLatin1Char('x')), true, taken),
                 QString(27, QLatin1Char('x')) + QStringLiteral(" (2)"));
        // A date keeps its separators readable.
        QCOMPARE(categorySheetName(QStringLiteral("2024/3/1"), false, taken), QStringLiteral("2024-3-1"));
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reference");
        QTest::newRow("plain") << "Summary" << "Summary";
        QTest::newRow("blank and leading digit") << "2024 汇总" << "'2024 汇总'";
        QTest::newRow("leading digit") << "1班" << "'1班'";
        QTest::newRow("apostrophe") << "O'Brien" << "'O''Brien'";
        QTest::newRow("Chinese letters") << "目录" << "目录";
        QTest::newRow("underscore and period") << "sales_2024.q1" << "sales_2024.q1";
        QTest::newRow("leading period") << ".hidden" << "'.hidden'";
        QTest::newRow("hyphen") << "East-West" << "'East-West'";
        QTest::newRow("reads as A1 cell") << "AB12" << "'AB12'";
        QTest::newRow("reads as R1C1 cell") << "R1C1" << "'R1C1'";
        QTest::newRow("R1C1 shorthand") << "rc" << "'rc'";
        QTest::newRow("four letters are no cell") << "ABCD1" << "ABCD1";
        QTest::newRow("letters only") << "AB" << "AB";
    }
    void quoting()
    {
        QFETCH(QString, name);
        QFETCH(QString, reference);
        QCOMPARE(quotedSheetName(name), reference);
        QCOMPARE(needsQuoting(name), reference != name);
    }

    // What a category's own workbook may keep as a formula: a record's
    // formula that reads its own row only; anything else on the sheet unless
    // it reads beyond it.
    void formulaReach_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<int>("reach");
        const int row = int(FormulaReach::OwnRow);
        const int sheet = int(FormulaReach::OwnSheet);
        const int beyond = int(FormulaReach::Beyond);
        QTest::newRow("own row, relative") << "=RC[-2]*RC[-1]" << row;
        QTest::newRow("own row, absolute") << "=R5C3*2" << row;
        QTest::newRow("own row range") << "=SUM(RC1:RC[-1])" << row;
        QTest::newRow("own sheet named") << "=Summary!RC3+'Summary'!R5C1" << row;
        QTest::newRow("text with a bracket") << "=\"R[1]C\"&RC1" << row;
        QTest::newRow("this row of a table") << "=Sales[@Qty]*Sales[[#This Row],[Price]]" << row;
        QTest::newRow("header row") << "=RC1*R2C" << sheet;
        QTest::newRow("row above") << "=R[-1]C+RC[-1]" << sheet;
        QTest::newRow("all the records") << "=RC5/SUM(R3C5:R9C5)" << sheet;
        QTest::newRow("whole column") << "=SUM(C[-1])" << sheet;
        QTest::newRow("table column") << "=SUM(Sales[Qty])" << sheet;
        QTest::newRow("other sheet") << "=Notes!R1C1" << beyond;
        QTest::newRow("other workbook") << "=[1]Summary!RC1" << beyond;
        QTest::newRow("several sheets") << "=SUM(Jan:Mar!RC)" << beyond;
        QTest::newRow("name") << "=RC1*Rate" << beyond;
        QTest::newRow("indirect") << "=INDIRECT(\"A\"&ROW())" << beyond;
        QTest::newRow("offset") << "=OFFSET(RC1,1,0)" << beyond;
        QTest::newRow("another workbook's function") << "=[1]!LUCANET(\"Ist\")" << beyond;
    }

    void formulaReach()
    {
        QFETCH(QString, formula);
        QFETCH(int, reach);
        QCOMPARE(int(::formulaReach(formula, 5, QStringLiteral("Summary"))), reach);
    }
};

QTEST_GUILESS_MAIN(EngineFormulasTest)
#include "engine_formulas_test.moc"
