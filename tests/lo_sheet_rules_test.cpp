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
};

QTEST_GUILESS_MAIN(LoSheetRulesTest)
#include "lo_sheet_rules_test.moc"
