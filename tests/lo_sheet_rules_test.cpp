// The rules every member that reaches an office sheet goes through, held to
// the member catalogue without an office: each rule is one the engine can
// call, cached values go only after a write, a read never pushes one sheet's
// formulas alone, and every read of values sees every formula waiting.
#include "SheetUsePlan.h"

#include <QSet>
#include <QtTest>

namespace {

// Every access, object and member the catalogue lets the engine and the
// backends use.
QList<SheetCall> everyCall()
{
    QList<SheetCall> calls;
    for (const QList<CatalogueMember> *list : {&memberCatalogue(), &extraMembers()}) {
        for (const CatalogueMember &entry : *list) {
            for (ObjectKind object : entry.objects)
                calls << SheetCall{entry.access, object, &entry};
        }
    }
    return calls;
}

QString describe(const SheetCall &call)
{
    return QStringLiteral("%1 %2").arg(QLatin1Char(call.access)).arg(QLatin1String(call.entry->text));
}

} // namespace

class LoSheetRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void everyRuleIsReachable()
    {
        // A rule for a member the catalogue does not offer on that object
        // would never apply: its call goes to the office unprepared.
        QSet<QString> listed;
        for (const SheetCall &call : everyCall()) {
            if (sheetUsePlan(call).listed)
                listed << QStringLiteral("%1/%2/%3")
                              .arg(QLatin1Char(call.access))
                              .arg(int(call.object))
                              .arg(int(call.entry->id));
        }
        QCOMPARE(listed.size(), sheetUseRuleCount());
        // A member the catalogue does not know is left alone.
        QVERIFY(!sheetUsePlan(SheetCall{'D', ObjectKind::Range, nullptr}).listed);
    }

    void rulesAgreeWithWhatMembersDo()
    {
        for (const SheetCall &call : everyCall()) {
            const SheetUsePlan plan = sheetUsePlan(call);
            const QByteArray what = describe(call).toUtf8();
            // Only a member that writes lets the cached values go.
            if (plan.dropsValuesAfter)
                QVERIFY2(call.entry->use == SheetUse::Write, what.constData());
            // Queries and gets change nothing: they send no sheet's formulas
            // on their own and keep the cached values.
            if (call.access == 'Q' || call.access == 'P') {
                QVERIFY2(!plan.dropsValuesAfter, what.constData());
                QVERIFY2(plan.waiting != SheetUsePlan::Waiting::SheetFormulas, what.constData());
            }
            // A read of values or shown text sees every formula that waits,
            // and a stand-in's cells from its source.
            const bool readsValues = (call.entry->id == Member::Value && call.access != 'S')
                                     || (call.entry->id == Member::Text && call.access == 'P');
            if (readsValues && call.object == ObjectKind::Range) {
                QCOMPARE(plan.waiting, SheetUsePlan::Waiting::AllFormulas);
                QVERIFY2(plan.readsCells, what.constData());
            }
            // Lookups may wait past a call only where it reads no cell.
            if (plan.waiting == SheetUsePlan::Waiting::AllButLookups)
                QVERIFY2(!plan.readsCells, what.constData());
            // A write of values or formulas is the last thing before the
            // cache is trusted again.
            const Member id = call.entry->id;
            const bool writesCells = call.object == ObjectKind::Range
                                     && ((call.access == 'D' && (id == Member::SetValue || id == Member::SetFormula))
                                         || (call.access == 'S' && (id == Member::Value || id == Member::Formula)));
            if (writesCells) {
                QVERIFY2(plan.dropsValuesAfter, what.constData());
                QCOMPARE(plan.waiting, SheetUsePlan::Waiting::SheetFormulas);
            }
        }
    }

    // A category sheet whose formula cells C3:L7 wait: nothing that could
    // see or change them, or the rows and sheet around them, leaves them
    // waiting; a read of its category column does.
    void heldCellsComeInBeforeAnythingSeesThem()
    {
        const QList<SheetArea> held{SheetArea{3, 3, 7, 12}};
        const QList<SheetArea> categoryColumn{SheetArea{3, 1, 8, 1}};
        const QList<SheetArea> heldCell{SheetArea{5, 4, 5, 4}};
        for (SheetCall call : everyCall()) {
            const QByteArray what = describe(call).toUtf8();
            const SheetUse use = call.entry->use;
            call.areas = categoryColumn;
            call.arguments = 2;
            const bool apart = leavesHeldCells(held, call);
            if (apart && use != SheetUse::Rename && use != SheetUse::Arrange && use != SheetUse::Unfilter)
                QVERIFY2(call.access == 'Q' || call.access == 'P' || call.entry->id == Member::Value, what.constData());
            QVERIFY2(!apart || (use != SheetUse::Write && use != SheetUse::RowDelete && use != SheetUse::CopySheet
                                && use != SheetUse::Show && use != SheetUse::Filter),
                     what.constData());
            call.areas = heldCell;
            if (call.entry->id == Member::Value || call.entry->id == Member::Text)
                QVERIFY2(!leavesHeldCells(held, call), what.constData());
            call.areas.clear();
            if (call.entry->id == Member::Value && call.access != 'S')
                QVERIFY2(!leavesHeldCells(held, call), what.constData()); // cells not known
            QVERIFY(leavesHeldCells({}, call));
        }
        const CatalogueMember *filter = nullptr;
        for (const CatalogueMember &entry : memberCatalogue())
            if (entry.id == Member::AutoFilter && entry.access == 'D')
                filter = &entry;
        QVERIFY(filter);
        QVERIFY(leavesHeldCells(held, SheetCall{'D', ObjectKind::Range, filter, heldCell, 1}));
        QVERIFY(!leavesHeldCells(held, SheetCall{'D', ObjectKind::Range, filter, categoryColumn, 2}));
    }
};

QTEST_GUILESS_MAIN(LoSheetRulesTest)
#include "lo_sheet_rules_test.moc"
