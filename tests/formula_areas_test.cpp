#include "CellArea.h"
#include "CellReference.h"

#include <QtTest>

namespace {

QString describe(const QList<CellArea> &areas)
{
    QStringList parts;
    for (const CellArea &a : areas)
        parts << QStringLiteral("%1,%2-%3,%4").arg(a.top).arg(a.left).arg(a.bottom).arg(a.right);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class FormulaAreasTest : public QObject
{
    Q_OBJECT

private slots:
    void columnLetters_data();
    void columnLetters();
    void readsTypedRanges_data();
    void readsTypedRanges();
    void refusesWhatIsNoRange_data();
    void refusesWhatIsNoRange();
    void writesAreas_data();
    void writesAreas();
};

void FormulaAreasTest::columnLetters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("letters");
    const QList<QPair<int, const char *>> known = {
        {1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {79, "CA"},
        {256, "IV"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto &pair : known)
        QTest::newRow(pair.second) << pair.first << QString::fromLatin1(pair.second);
}

void FormulaAreasTest::columnLetters()
{
    QFETCH(int, column);
    QFETCH(QString, letters);
    QCOMPARE(a1ColumnName(column), letters);
    QCOMPARE(a1ColumnNumber(letters), column);
    QCOMPARE(a1ColumnNumber(letters.toLower()), column);
}

void FormulaAreasTest::readsTypedRanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("areas"); // top,left-bottom,right per area

    QTest::newRow("block") << "B3:F20" << "3,2-20,6";
    QTest::newRow("absolute") << "$B$3:$F$20" << "3,2-20,6";
    QTest::newRow("lower case") << "b3:f20" << "3,2-20,6";
    QTest::newRow("single cell") << "C5" << "5,3-5,3";
    QTest::newRow("two areas") << "A2:B9,D2:E57" << "2,1-9,2 2,4-57,5";
    QTest::newRow("whole columns") << "B:D" << "1,2-1048576,4";
    QTest::newRow("whole rows") << "3:5" << "3,1-5,16384";
    QTest::newRow("reversed corners") << "F20:B3" << "3,2-20,6";
    QTest::newRow("blanks around") << "  B3:F20 , C5 " << "3,2-20,6 5,3-5,3";
    QTest::newRow("last cell of the sheet") << "XFD1048576" << "1048576,16384-1048576,16384";
}

void FormulaAreasTest::readsTypedRanges()
{
    QFETCH(QString, text);
    QFETCH(QString, areas);
    QCOMPARE(describe(parseA1Areas(text)), areas);
    QVERIFY(isValidA1Range(text));
}

void FormulaAreasTest::refusesWhatIsNoRange_data()
{
    QTest::addColumn<QString>("text");
    const char *const refused[] = {
        "", "   ", "hello", "B0", "A1:", ":B2", "XFE1", "A1048577", "Sheet1!A1", "B", "3",
        "A1:C", "A1:B2:C3", "A2:B9,", ",A1", "A 1", "$$A1", "A1B2", "1A", "R1C1:R2C2x"};
    for (const char *text : refused)
        QTest::newRow(*text ? text : "(empty)") << QString::fromLatin1(text);
}

void FormulaAreasTest::refusesWhatIsNoRange()
{
    QFETCH(QString, text);
    QCOMPARE(describe(parseA1Areas(text)), QString());
    QVERIFY(!isValidA1Range(text));
}

void FormulaAreasTest::writesAreas_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");

    QTest::newRow("block") << "$b$3:$f$20" << "B3:F20";
    QTest::newRow("cell") << "C5" << "C5";
    QTest::newRow("one-cell block") << "C5:C5" << "C5";
    QTest::newRow("reversed") << "F20:B3" << "B3:F20";
    QTest::newRow("columns") << "B:D" << "B:D";
    QTest::newRow("one column") << "$C:$C" << "C:C";
    QTest::newRow("rows") << "3:5" << "3:5";
    QTest::newRow("whole sheet as rows") << "A:XFD" << "1:1048576";
    QTest::newRow("column block spelled out") << "B1:D1048576" << "B:D";
}

void FormulaAreasTest::writesAreas()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    const QList<CellArea> areas = parseA1Areas(typed);
    QCOMPARE(areas.size(), 1);
    QCOMPARE(a1AreaText(areas.first()), written);
    QCOMPARE(parseA1Areas(written), areas);
}

QTEST_APPLESS_MAIN(FormulaAreasTest)
#include "formula_areas_test.moc"
