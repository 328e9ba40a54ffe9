#include "SheetOrder.h"

#include <QtTest>

namespace {

// Sheets are told apart by address only; these stand in for them.
const char sheets[8] = {};
SheetOrder::Key sheet(int n) { return &sheets[n]; }

QVector<SheetOrder::Key> keys(const QVector<int> &numbers)
{
    QVector<SheetOrder::Key> result;
    for (int n : numbers)
        result << sheet(n);
    return result;
}

QVector<SheetOrder::Key> seen(const SheetOrder &order)
{
    QVector<SheetOrder::Key> result;
    for (int i = 0; i < order.count(); ++i)
        result << order.at(i);
    return result;
}

// Plays the office: applies the moves to a list the way moveByName does
// when a sheet goes towards the front.
QVector<SheetOrder::Key> applied(QVector<SheetOrder::Key> office, const QVector<SheetOrder::Move> &moves)
{
    for (const SheetOrder::Move &move : moves)
        office.move(office.indexOf(move.key), move.to);
    return office;
}

} // namespace

class SheetOrderTest : public QObject
{
    Q_OBJECT

private slots:
    void copiesAfterTheSourceNeedNoMoveForTheSplitPattern()
    {
        // Summary 0 with one other sheet 1. Each round: copy the summary
        // before the first sheet, then move the summary before the copy.
        SheetOrder order;
        order.reset(keys({0, 1}));
        QVector<SheetOrder::Key> office = keys({0, 1});
        for (int copy = 2; copy < 7; ++copy) {
            const int officeIndex = order.officeIndexOf(sheet(0)) + 1;
            order.inserted(sheet(copy), officeIndex, order.indexOf(order.at(0)));
            office.insert(officeIndex, sheet(copy));
            QCOMPARE(order.at(0), sheet(copy)); // the caller sees Excel's place at once
            order.movedBefore(sheet(0), sheet(copy));
        }
        QCOMPARE(seen(order), keys({0, 6, 5, 4, 3, 2, 1}));
        QVERIFY(order.inStep());
        QVERIFY(order.alignOffice().isEmpty());
        QCOMPARE(office, seen(order));
    }

    void aligningGivesTheCallersOrder_data()
    {
        QTest::addColumn<QVector<int>>("startSheets");
        QTest::addColumn<QVector<int>>("wantedSheets");
        QTest::newRow("unchanged") << QVector<int>{0, 1, 2} << QVector<int>{0, 1, 2};
        QTest::newRow("last to front") << QVector<int>{0, 1, 2, 3} << QVector<int>{3, 0, 1, 2};
        QTest::newRow("front to last") << QVector<int>{0, 1, 2, 3} << QVector<int>{1, 2, 3, 0};
        QTest::newRow("reversed") << QVector<int>{0, 1, 2, 3, 4} << QVector<int>{4, 3, 2, 1, 0};
        QTest::newRow("swapped pair") << QVector<int>{0, 1} << QVector<int>{1, 0};
    }

    void aligningGivesTheCallersOrder()
    {
        QFETCH(QVector<int>, startSheets);
        QFETCH(QVector<int>, wantedSheets);
        const QVector<SheetOrder::Key> start = keys(startSheets);
        const QVector<SheetOrder::Key> wanted = keys(wantedSheets);
        SheetOrder order;
        order.reset(start);
        // Build the wanted order with the caller's moves, back to front.
        for (int i = wanted.size() - 2; i >= 0; --i)
            order.movedBefore(wanted.at(i), wanted.at(i + 1));
        QCOMPARE(seen(order), wanted);
        const QVector<SheetOrder::Move> moves = order.alignOffice();
        QCOMPARE(applied(start, moves), wanted);
        QVERIFY(order.inStep());
        QVERIFY(moves.size() < wanted.size());
    }

    void movesThatNameMissingOrSameSheetsChangeNothing()
    {
        SheetOrder order;
        order.reset(keys({0, 1, 2}));
        order.movedBefore(sheet(1), sheet(1));
        order.movedBefore(sheet(5), sheet(0));
        order.movedBefore(sheet(0), sheet(5));
        QCOMPARE(seen(order), keys({0, 1, 2}));
        QVERIFY(order.inStep());
    }

    void insertsAndRemovalsKeepBothOrders()
    {
        SheetOrder order;
        order.reset(keys({0, 1}));
        order.inserted(sheet(2), 0, 0);   // a new first sheet
        order.inserted(sheet(3), 99, 99); // past the end: appended
        QCOMPARE(seen(order), keys({2, 0, 1, 3}));
        QCOMPARE(order.officeIndexOf(sheet(3)), 3);
        order.removed(sheet(0));
        QCOMPARE(seen(order), keys({2, 1, 3}));
        QCOMPARE(order.officeIndexOf(sheet(1)), 1);
        order.forget();
        QVERIFY(!order.known());
        QCOMPARE(order.count(), 0);
    }
};

QTEST_APPLESS_MAIN(SheetOrderTest)
#include "lo_sheet_order_test.moc"
