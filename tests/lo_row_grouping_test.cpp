#include "RowCopyFormulas.h"
#include "RowGrouping.h"

#include <QtTest>

namespace {

QList<SheetArea> rows(std::initializer_list<std::pair<int, int>> runs)
{
    QList<SheetArea> areas;
    for (const auto &run : runs)
        areas << SheetArea{run.first, 1, run.second, kSheetColumns};
    return areas;
}

QVector<QString> keys(const QString &letters)
{
    QVector<QString> result;
    for (QChar c : letters)
        result << QString(c);
    return result;
}

std::optional<QList<SheetArea>> inPart(const RowGrouping &g, const QList<SheetArea> &deleted, int from, int to)
{
    const auto kept = g.keptRows(deleted);
    if (!kept)
        return std::nullopt;
    return g.rowsToDeleteInPart(*kept, from, to);
}

} // namespace

class RowGroupingTest : public QObject
{
    Q_OBJECT
private slots:
    void groupsInTheOrderKeysFirstAppear()
    {
        // Rows 3..9 hold N S N E S N E.
        const RowGrouping g = RowGrouping::byKeys(3, keys("NSNESNE"));
        QCOMPARE(g.top(), 3);
        QCOMPARE(g.bottom(), 9);
        QVector<int> order;
        for (int p = 0; p < g.size(); ++p)
            order << g.originalIndexAt(p);
        QCOMPARE(order, (QVector<int>{0, 2, 5, 1, 4, 3, 6}));
        QVERIFY(!g.isIdentity());
        QVERIFY(RowGrouping::byKeys(1, keys("NNSSE")).isIdentity());
    }

    void oneCategorysRowsAreTwoBlocksInTheWholeGroupedCopy()
    {
        // Data N S N E S N E in rows 4..10, below two header rows.
        const RowGrouping g = RowGrouping::byKeys(4, keys("NSNESNE"));
        // Keep S (rows 5, 8): delete N and E. Grouped: N N N S S E E.
        auto inCopy = inPart(g, rows({{4, 4}, {6, 7}, {9, 10}}), 0, g.size());
        QVERIFY(inCopy);
        QCOMPARE(*inCopy, rows({{4, 6}, {9, 10}}));
        // Keep E: one block.
        inCopy = inPart(g, rows({{4, 6}, {8, 9}}), 0, g.size());
        QVERIFY(inCopy);
        QCOMPARE(*inCopy, rows({{4, 8}}));
    }

    void aPartHoldsFewerRowsAndShiftsTheRowsBelow()
    {
        // Rows 3..9: N S N E S N E; a total in row 10. Grouped: N N N S S E E.
        const RowGrouping g = RowGrouping::byKeys(3, keys("NSNESNE"));
        // The part that holds S and E (positions 3..6) is rows 3..6, the
        // total in row 7. Keeping S and deleting the total and row 1:
        const QList<SheetArea> keepS = rows({{1, 1}, {3, 3}, {5, 6}, {8, 10}});
        auto inCopy = inPart(g, keepS, 3, 7);
        QVERIFY(inCopy);
        QCOMPARE(*inCopy, rows({{1, 1}, {5, 6}, {7, 7}}));
        // The part that holds S alone is what is kept: nothing inside goes.
        inCopy = inPart(g, keepS, 3, 5);
        QVERIFY(inCopy);
        QCOMPARE(*inCopy, rows({{1, 1}, {5, 5}}));
        // A part without every kept row will not do.
        QVERIFY(!inPart(g, keepS, 5, 7));
        QVERIFY(!inPart(g, keepS, 0, 4));
        // Every row of the block goes: the part's whole block does.
        inCopy = inPart(g, rows({{3, 9}}), 5, 7);
        QVERIFY(inCopy);
        QCOMPARE(*inCopy, rows({{3, 4}}));
    }

    void partsAreCutAtGroupStartsNearTheMiddle()
    {
        // Groups N (0..2), S (3..4), E (5..6), W (7..9).
        const RowGrouping g = RowGrouping::byKeys(1, keys("NSNESNEWWW"));
        QCOMPARE(g.groupStarts(), (QVector<int>{0, 3, 5, 7}));
        // The middle of 0..10 is 5: the start of E.
        QCOMPARE(g.splitPoint(0, 10, 3, 4), 5);
        // At the first kept row, but never after it among the kept rows:
        // with S and E kept, at S's start or at W's.
        QCOMPARE(g.splitPoint(0, 10, 5, 6), 5);
        QCOMPARE(g.splitPoint(0, 10, 3, 6), 3);
        QCOMPARE(g.splitPoint(3, 10, 3, 6), 7);
        // A part of one group, or whose every cut would split the kept
        // rows, is not cut.
        QCOMPARE(g.splitPoint(5, 7, 5, 6), -1);
        QCOMPARE(g.splitPoint(0, 10, 0, 9), -1);
        // Cutting down to the one group kept takes a few halvings.
        int from = 0;
        int to = g.size();
        int cuts = 0;
        for (int at; (at = g.splitPoint(from, to, 3, 4)) >= 0; ++cuts)
            (3 >= at ? from : to) = at;
        QCOMPARE(from, 3);
        QCOMPARE(to, 5);
        QCOMPARE(cuts, 2);
    }

    void keptRowsOutOfOrderThereAreRefused()
    {
        const RowGrouping g = RowGrouping::byKeys(1, keys("NSN"));
        // Keeping rows 2 and 3 (S, N) would show N before S in the copy.
        QVERIFY(!g.keptRows(rows({{1, 1}})));
        // So would many small blocks: alternate rows of 40 different keys.
        QVector<QString> many;
        for (int i = 0; i < 40; ++i)
            many << QString::number(i);
        const RowGrouping wide = RowGrouping::byKeys(1, many);
        QList<SheetArea> alternate;
        for (int r = 1; r <= 40; r += 2)
            alternate << SheetArea{r, 1, r, kSheetColumns};
        QVERIFY(!inPart(wide, alternate, 0, wide.size()));
    }

    // A record's formula may be copied into a copy of the sheet without the
    // block only where the copy says what moving its row would make it say:
    // here the block starts at row 3 and the formula stands in row 7, as the
    // office writes it.
    void formulasThatCopyAsTheyMove_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<bool>("copies");
        QTest::newRow("own row, header row absolute") << "=$C7*D$2" << true;
        QTest::newRow("own row range and functions") << "=SUM(D7:G7)/ROUND($C7;2)" << true;
        QTest::newRow("fixed header cell") << "=$C7*$H$1" << true;
        QTest::newRow("whole column") << "=COUNTIF(A:A;A7)" << true;
        QTest::newRow("strings and numbers") << "=IF(C7>1.5;\"a.b!C3\";\"\")" << true;
        QTest::newRow("constant") << "12.5" << true;
        QTest::newRow("header row named relatively") << "=$C7*D2" << false;
        QTest::newRow("row above") << "=C6+1" << false;
        QTest::newRow("own row named absolutely") << "=$C$7*2" << false;
        QTest::newRow("a block of records") << "=SUM($D$3:$D$60)" << false;
        QTest::newRow("running total") << "=SUM(D$3:D7)" << false;
        QTest::newRow("whole row") << "=SUM(7:7)" << false;
        QTest::newRow("another sheet") << "=$Rates.B7*C7" << false;
        QTest::newRow("another sheet, quoted") << "=$'Rate table'.B2*C7" << false;
        QTest::newRow("a name") << "=Rate*C7" << false;
    }
    void formulasThatCopyAsTheyMove()
    {
        QFETCH(QString, formula);
        QFETCH(bool, copies);
        QCOMPARE(formulaCopiesAsItMoves(formula, 7, 3), copies);
    }
};

QTEST_GUILESS_MAIN(RowGroupingTest)
#include "lo_row_grouping_test.moc"
