// The member-by-member timing of a job: every operation is counted and
// timed, sub-objects are timed too, and objects passed as arguments reach
// the wrapped backend as its own.

#include "ProfilingBackend.h"

#include "AutomationObject.h"
#include "MemberText.h"

#include <QThread>
#include <QtTest>

namespace {

// A tiny object model: every object can hand out children, "Slow" takes
// 30 ms, and "Take" reports whether its argument is one of its own objects.
class FakeNode : public AutomationNode
{
public:
    QVariant call(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("Slow"))
            QThread::msleep(30);
        if (member.is("Take"))
            return bool(std::dynamic_pointer_cast<FakeNode>(nodeOf(args.value(0))));
        return QStringLiteral("called ") + QString::fromLatin1(member.name());
    }
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &) override
    {
        if (member.is("Nothing"))
            return nullptr;
        return std::make_shared<FakeNode>();
    }
    QVariant get(const QByteArray &name) override { return name == "Count" ? QVariant(7) : QVariant(); }
    bool set(const QByteArray &name, const QVariant &value) override
    {
        lastSet = name;
        lastValueWasOwnNode = bool(std::dynamic_pointer_cast<FakeNode>(nodeOf(value)));
        return true;
    }
    bool disconnected() const override { return gone; }

    QByteArray lastSet;
    bool lastValueWasOwnNode = false;
    bool gone = false;
};

const MemberProfile::Entry *entryFor(const QList<MemberProfile::Entry> &entries, const QString &member)
{
    for (const MemberProfile::Entry &e : entries)
        if (e.member == member)
            return &e;
    return nullptr;
}

} // namespace

class BenchProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOperationIsCountedAndTimed()
    {
        auto profile = std::make_shared<MemberProfile>();
        auto fake = std::make_shared<FakeNode>();
        std::shared_ptr<AutomationNode> node = profiledNode(fake, profile);

        QCOMPARE(node->call(MemberText("Select()"), {}).toString(), QStringLiteral("called Select"));
        node->call(MemberText("Select()"), {});
        node->call(MemberText("Slow()"), {});
        QCOMPARE(node->get("Count").toInt(), 7);
        QVERIFY(node->set("Name", QStringLiteral("x")));
        QCOMPARE(fake->lastSet, QByteArray("Name"));

        // Children come wrapped, and their operations land in the same profile.
        std::shared_ptr<AutomationNode> child = node->query(MemberText("Cells(int,int)"), {1, 2});
        QVERIFY(child);
        child->call(MemberText("SetFormulaR1C1(const QVariant&)"), {QStringLiteral("=1")});
        QVERIFY(!node->query(MemberText("Nothing"), {}));

        const QList<MemberProfile::Entry> entries = profile->entries();
        QCOMPARE(entries.first().member, QStringLiteral("call Slow"));
        QVERIFY(entries.first().totalNs >= 25 * 1000000LL);
        QCOMPARE(entries.first().longestNs, entries.first().totalNs);
        const MemberProfile::Entry *select = entryFor(entries, QStringLiteral("call Select"));
        QVERIFY(select->longestNs <= select->totalNs && select->longestNs * 2 >= select->totalNs);
        QCOMPARE(entryFor(entries, QStringLiteral("call Select"))->count, quint64(2));
        QCOMPARE(entryFor(entries, QStringLiteral("get Count"))->count, quint64(1));
        QCOMPARE(entryFor(entries, QStringLiteral("set Name"))->count, quint64(1));
        QCOMPARE(entryFor(entries, QStringLiteral("query Cells"))->count, quint64(1));
        QCOMPARE(entryFor(entries, QStringLiteral("query Nothing"))->count, quint64(1));
        QCOMPARE(entryFor(entries, QStringLiteral("call SetFormulaR1C1"))->count, quint64(1));

        qint64 sum = 0;
        for (const MemberProfile::Entry &e : entries)
            sum += e.totalNs;
        QCOMPARE(profile->totalNs(), sum);

        const QStringList lines = profileLines(*profile, 2);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.first().contains(QStringLiteral("call Slow")));

        profile->clear();
        QVERIFY(profile->entries().isEmpty());
        QCOMPARE(profile->totalNs(), qint64(0));
        QVERIFY(!profiledNode(nullptr, profile));
    }

    void objectsPassedAsArgumentsArriveUnwrapped()
    {
        auto profile = std::make_shared<MemberProfile>();
        auto fake = std::make_shared<FakeNode>();
        registerBackend(QStringLiteral("Bench.Profiled"), [&](const QString &) { return profiledNode(fake, profile); });

        AutomationObject application;
        QVERIFY(application.setControl(QStringLiteral("Bench.Profiled")));
        AutomationObject *sheet = application.querySubObject("WorkSheets(int)", 1);
        QVERIFY(sheet);
        AutomationObject *first = application.querySubObject("Item(int)", 1);
        QVERIFY(sheet->dynamicCall("Take(const QVariant&)", first->asVariant()).toBool());
        QVERIFY(application.setProperty("Anchor", first->asVariant()));
        QVERIFY(fake->lastValueWasOwnNode);
        QVERIFY(sheet->dynamicCall("Take(const QVariant&)", QStringLiteral("text")).isValid());

        QVERIFY(!application.isDisconnected());
        fake->gone = true;
        QVERIFY(application.isDisconnected());

        unregisterBackend(QStringLiteral("Bench.Profiled"));
        QCOMPARE(entryFor(profile->entries(), QStringLiteral("call Take"))->count, quint64(2));
    }
};

QTEST_GUILESS_MAIN(BenchProfileTest)
#include "bench_profile_test.moc"
