#include "RowGrouping.h"
#include "SheetUse.h"

#include <QtTest>

namespace {

QList<SheetArea> rows(std::initializer_list<std::pair<int, int>> runs)
{
    QList<SheetArea> areas;
    for (const auto &run : runs)
        areas << SheetArea{run.first, 1, run.second, kMaxColumn};
    return areas;
}

QVector<QString> keys(const QString &letters)
{
    QVector<QString> result;
    for (QChar c : letters)
        result << QString(c);
    return result;
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

    void oneCategorysRowsAreTwoBlocksInTheGroupedCopy()
    {
        // Header rows 2 and 3 lead the block; data N S N E S N E from row 4.
        const RowGrouping g = RowGrouping::byKeys(2, keys("hcNSNESNE"));
        // Keep S (rows 5, 8): delete N and E, but not the header rows.
        auto inGrouped = g.rowsToDeleteInGrouped(rows({{4, 4}, {6, 7}, {9, 10}}));
        QVERIFY(inGrouped);
        // Grouped: h c N N N S S E E at rows 2..10.
        QCOMPARE(*inGrouped, rows({{4, 6}, {9, 10}}));
        // Keep E: one block.
        inGrouped = g.rowsToDeleteInGrouped(rows({{4, 6}, {8, 9}}));
        QVERIFY(inGrouped);
        QCOMPARE(*inGrouped, rows({{4, 8}}));
    }

    void rowsOutsideTheBlockStayWhereTheyAre()
    {
        const RowGrouping g = RowGrouping::byKeys(3, keys("NSNS"));
        const auto inGrouped = g.rowsToDeleteInGrouped(rows({{1, 1}, {4, 4}, {6, 8}}));
        QVERIFY(inGrouped);
        QCOMPARE(*inGrouped, rows({{1, 1}, {5, 6}, {7, 8}}));
        // Every row of the block goes.
        const auto all = g.rowsToDeleteInGrouped(rows({{3, 6}}));
        QVERIFY(all);
        QCOMPARE(*all, rows({{3, 6}}));
    }

    void keptRowsOutOfOrderThereAreRefused()
    {
        const RowGrouping g = RowGrouping::byKeys(1, keys("NSN"));
        // Keeping rows 2 and 3 (S, N) would show N before S in the copy.
        QVERIFY(!g.rowsToDeleteInGrouped(rows({{1, 1}})));
        // So would many small blocks: alternate rows of 40 different keys.
        QVector<QString> many;
        for (int i = 0; i < 40; ++i)
            many << QString::number(i);
        const RowGrouping wide = RowGrouping::byKeys(1, many);
        QList<SheetArea> alternate;
        for (int r = 1; r <= 40; r += 2)
            alternate << SheetArea{r, 1, r, kMaxColumn};
        QVERIFY(!wide.rowsToDeleteInGrouped(alternate));
    }

    void callsSayWhatTheyDoToASheet()
    {
        QCOMPARE(sheetUseOfCall(MemberText("Value()")), SheetUse::Read);
        QCOMPARE(sheetUseOfCall(MemberText("Copy(const QVariant&)")), SheetUse::CopySheet);
        QCOMPARE(sheetUseOfCall(MemberText("Move(const QVariant&)")), SheetUse::Arrange);
        QCOMPARE(sheetUseOfCall(MemberText("AutoFilter(QVariant,QVariant)")), SheetUse::Filter);
        QCOMPARE(sheetUseOfCall(MemberText("Delete()")), SheetUse::RowDelete);
        // Anything not known to leave the cells alone counts as a write.
        QCOMPARE(sheetUseOfCall(MemberText("SetValue(const QVariant&)")), SheetUse::Write);
        QCOMPARE(sheetUseOfCall(MemberText("Protect(const QString&)")), SheetUse::Write);
        QCOMPARE(sheetUseOfCall(MemberText("Add(const QVariant&,const QVariant&)")), SheetUse::Write);
        QCOMPARE(sheetUseOfSet("Name"), SheetUse::Rename);
        QCOMPARE(sheetUseOfSet("Locked"), SheetUse::Write);
        QCOMPARE(sheetUseOfSet("AutoFilterMode"), SheetUse::Filter);
    }
};

QTEST_GUILESS_MAIN(RowGroupingTest)
#include "lo_row_grouping_test.moc"
