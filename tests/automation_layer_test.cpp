#include "AutomationObject.h"
#include "MemberCatalogue.h"
#include "MemberText.h"

#include <QPointer>
#include <QtTest>

#include <cstdio>

namespace {

// A backend node that records what reaches it and hands out children.
struct Log
{
    QStringList calls;
    int nodesAlive = 0;
};

class EchoNode : public AutomationNode
{
public:
    EchoNode(Log &log, QString path)
        : m_log(log), m_path(std::move(path)) { ++m_log.nodesAlive; }
    ~EchoNode() override { --m_log.nodesAlive; }

    QVariant call(const MemberText &member, const QVariantList &args) override
    {
        record("D", member, args);
        if (member.is("Fail"))
            return QVariant();
        if (member.is("Identify") && !args.isEmpty()) {
            auto other = std::dynamic_pointer_cast<EchoNode>(nodeOf(args.first()));
            return other ? other->m_path : QStringLiteral("not a node");
        }
        return args.size();
    }
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override
    {
        record("Q", member, args);
        if (member.is("Nothing"))
            return nullptr;
        return std::make_shared<EchoNode>(m_log, m_path + "/" + QString::fromLatin1(member.name()));
    }
    QVariant get(const QByteArray &name) override
    {
        m_log.calls << QStringLiteral("P %1 %2").arg(m_path, QString::fromLatin1(name));
        return m_path;
    }
    bool set(const QByteArray &name, const QVariant &value) override
    {
        m_log.calls << QStringLiteral("S %1 %2=%3").arg(m_path, QString::fromLatin1(name), value.toString());
        return true;
    }

private:
    void record(const char *kind, const MemberText &member, const QVariantList &args)
    {
        QStringList shown;
        for (const QVariant &a : args)
            shown << (nodeOf(a) ? QStringLiteral("<object>") : a.toString());
        m_log.calls << QStringLiteral("%1 %2 %3(%4)").arg(kind, m_path, QString::fromLatin1(member.name()), shown.join(','));
    }

    Log &m_log;
    QString m_path;
};

} // namespace

class AutomationLayerTest : public QObject
{
    Q_OBJECT
private slots:
    void memberTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantList>("constants");
        QTest::newRow("blank before paren") << "Close (Boolean)" << "Close" << QVariantList();
        QTest::newRow("parameter name") << "SetVisible (bool Visible)" << "SetVisible" << QVariantList();
        QTest::newRow("void") << "Quit(void)" << "Quit" << QVariantList();
        QTest::newRow("two ints with blank") << "Cells(int, int)" << "Cells" << QVariantList();
        QTest::newRow("two ints") << "Cells(int,int)" << "Cells" << QVariantList();
        QTest::newRow("constant") << "End(3)" << "End" << QVariantList{3};
        QTest::newRow("bare") << "WorkBooks" << "WorkBooks" << QVariantList();
        QTest::newRow("empty parens") << "Add()" << "Add" << QVariantList();
        QTest::newRow("qualified") << "Open(const QString&)" << "Open" << QVariantList();
        QTest::newRow("two constants") << "Offset(1, -2)" << "Offset" << QVariantList{1, -2};
    }
    void memberTexts()
    {
        QFETCH(QString, text);
        const QByteArray bytes = text.toLatin1();
        const MemberText member(bytes.constData());
        QFETCH(QString, name);
        QFETCH(QVariantList, constants);
        QCOMPARE(QString::fromLatin1(member.name()), name);
        QCOMPARE(member.constants(), constants);
    }
    // Texts parsed before are remembered by what they say, not where they
    // are: one buffer that says something else each time is read anew.
    void memberTextsFromOneBuffer()
    {
        char buffer[32];
        for (int round = 0; round < 3; ++round) {
            for (int n = 0; n < 12; ++n) {
                std::snprintf(buffer, sizeof buffer, n % 2 ? "Offset(%d, -1)" : "Item%d(int)", n);
                const MemberText member(buffer);
                QCOMPARE(member.name(), n % 2 ? QByteArray("Offset") : QByteArray("Item") + QByteArray::number(n));
                QCOMPARE(member.constants(), n % 2 ? (QVariantList{n, -1}) : QVariantList());
                QCOMPARE(member.text(), QByteArray(buffer));
            }
        }
    }

    void callsReachTheBackendWithTheirArguments()
    {
        Log log;
        registerBackend("Test.Echo", [&log](const QString &) { return std::make_shared<EchoNode>(log, "app"); });
        {
            AutomationObject app;
            QVERIFY(app.isNull());
            QVERIFY(app.setControl("Test.Echo"));
            QCOMPARE(app.dynamicCall("SetVisible (bool Visible)", QStringLiteral("false")).toInt(), 1);
            AutomationObject *cell = app.querySubObject("Cells(int, int)", 3, 4);
            QVERIFY(cell);
            QCOMPARE(cell->parent(), &app);
            AutomationObject *edge = cell->querySubObject("End(3)");
            QVERIFY(edge);
            QCOMPARE(edge->dynamicCall("Row").toInt(), 0);
            QCOMPARE(app.querySubObject("Nothing"), nullptr);
            QVERIFY(!app.dynamicCall("Fail").isValid());
            // Arguments stop at the first invalid variant, as with ActiveQt.
            QCOMPARE(app.dynamicCall("Three", 1, 2, 3, QVariant(), 5).toInt(), 3);
            QCOMPARE(app.dynamicCall("Eight", 1, 2, 3, 4, 5, 6, 7, 8).toInt(), 8);
            app.setProperty("DisplayAlerts", false);
            QCOMPARE(cell->property("Row").toString(), QStringLiteral("app/Cells"));
            QCOMPARE(log.calls, (QStringList{
                "D app SetVisible(false)",
                "Q app Cells(3,4)",
                "Q app/Cells End(3)",
                "D app/Cells/End Row()",
                "Q app Nothing()",
                "D app Fail()",
                "D app Three(1,2,3)",
                "D app Eight(1,2,3,4,5,6,7,8)",
                "S app DisplayAlerts=false",
                "P app/Cells Row",
            }));
        }
        QCOMPARE(log.nodesAlive, 0);
        unregisterBackend("Test.Echo");
    }

    void objectsTravelAsArguments()
    {
        Log log;
        registerBackend("Test.Echo", [&log](const QString &) { return std::make_shared<EchoNode>(log, "app"); });
        AutomationObject app;
        app.setControl("Test.Echo");
        AutomationObject *sheet = app.querySubObject("Sheet");
        QCOMPARE(app.dynamicCall("Identify(const QVariant&)", sheet->asVariant()).toString(), QStringLiteral("app/Sheet"));
        QCOMPARE(app.dynamicCall("Identify(const QVariant&)", 5).toString(), QStringLiteral("not a node"));
        unregisterBackend("Test.Echo");
    }

    void deletingTheRootReleasesTheTree()
    {
        Log log;
        registerBackend("Test.Echo", [&log](const QString &) { return std::make_shared<EchoNode>(log, "app"); });
        auto *owner = new QObject;
        auto *app = new AutomationObject(owner);
        app->setControl("Test.Echo");
        QPointer<AutomationObject> deep = app->querySubObject("A")->querySubObject("B")->querySubObject("C");
        for (int i = 0; i < 1000; ++i)
            app->querySubObject("Cells(int,int)", i, 1);
        QCOMPARE(log.nodesAlive, 1004);
        delete app;
        QVERIFY(deep.isNull());
        QCOMPARE(log.nodesAlive, 0);
        delete owner;
        unregisterBackend("Test.Echo");
    }

    // The rules a backend takes from the catalogue depend on the object as
    // well as the member: a Delete or a Protect elsewhere is no row delete.
    void theCatalogueSaysWhatACallDoesToItsSheet()
    {
        QCOMPARE(sheetUseOf('D', ObjectKind::Range, "Delete"), SheetUse::RowDelete);
        QCOMPARE(sheetUseOf('D', ObjectKind::Worksheet, "Delete"), SheetUse::Arrange);
        QCOMPARE(sheetUseOf('D', ObjectKind::DocumentProperty, "Delete"), SheetUse::Read);
        QCOMPARE(sheetUseOf('D', ObjectKind::Range, "AutoFilter"), SheetUse::Filter);
        QCOMPARE(sheetUseOf('S', ObjectKind::Worksheet, "Name"), SheetUse::Rename);
        QCOMPARE(sheetUseOf('D', ObjectKind::Worksheet, "Name"), SheetUse::Write);
        QCOMPARE(sheetUseOf('D', ObjectKind::Worksheet, "Activate"), SheetUse::Write);
        // Each member is there once for each object, and its text reads.
        QSet<QString> seen;
        for (const CatalogueMember &member : memberCatalogue()) {
            QVERIFY2(!MemberText(member.text).name().isEmpty(), member.text);
            QVERIFY(!member.objects.isEmpty());
            for (ObjectKind object : member.objects) {
                const QString key = QStringLiteral("%1 %2 %3").arg(member.access).arg(int(object)).arg(member.text);
                QVERIFY2(!seen.contains(key), qPrintable(key));
                seen << key;
            }
        }
    }

    // The backends answer a call by the member its entry names: texts that
    // differ only in their parameter lists are one member with one effect,
    // and a member neither list holds is none.
    void aCallFindsItsMemberByObjectAndName()
    {
        QCOMPARE(catalogueEntry('Q', ObjectKind::Range, "Cells")->id, Member::Cells);
        QCOMPARE(catalogueEntry('D', ObjectKind::Range, "Delete")->id, Member::Delete);
        QCOMPARE(catalogueEntry('D', ObjectKind::Sheets, "Add")->id, Member::Add);
        QCOMPARE(catalogueEntry('D', ObjectKind::Hyperlinks, "Add")->id, Member::Add);
        QCOMPARE(catalogueEntry('Q', ObjectKind::Application, "WorkBooks")->id, Member::WorkBooks);
        QCOMPARE(catalogueEntry('Q', ObjectKind::Application, "Workbooks")->id, Member::Workbooks);
        QCOMPARE(catalogueEntry('P', ObjectKind::Range, "Text")->id, Member::Text);
        QCOMPARE(catalogueEntry('D', ObjectKind::Worksheet, "Delete")->id, Member::Delete);
        QVERIFY(!catalogueEntry('D', ObjectKind::Hyperlinks, "Delete"));
        QVERIFY(!catalogueEntry('P', ObjectKind::Range, "Delete"));
        QVERIFY(!catalogueEntry('Q', ObjectKind::Application, "WORKBOOKS"));
        QVERIFY(!catalogueEntry('P', ObjectKind::Worksheet, "Name()"));

        // Entries of one name on one object agree; an extra member is no
        // other spelling of one the catalogue holds, and counts as Write.
        const auto keyOf = [](const CatalogueMember &member, ObjectKind object) {
            return QStringLiteral("%1 %2 %3").arg(member.access).arg(int(object))
                .arg(QString::fromLatin1(MemberText(member.text).name()));
        };
        QHash<QString, const CatalogueMember *> first;
        for (const CatalogueMember &member : memberCatalogue())
            for (ObjectKind object : member.objects) {
                const CatalogueMember *found = first.value(keyOf(member, object), &member);
                first.insert(keyOf(member, object), found);
                QVERIFY2(found->id == member.id && found->use == member.use, member.text);
                QCOMPARE(catalogueEntry(member.access, object, MemberText(member.text).name()), found);
            }
        for (const CatalogueMember &member : extraMembers()) {
            QCOMPARE(member.use, SheetUse::Write);
            for (ObjectKind object : member.objects) {
                QVERIFY2(!first.contains(keyOf(member, object)), member.text);
                QCOMPARE(catalogueEntry(member.access, object, member.text), &member);
            }
        }
    }

    void anUnboundHandleFailsQuietly()
    {
        AutomationObject app;
        QVERIFY(!app.setControl("No.Such.Application"));
        QVERIFY(!app.dynamicCall("Quit(void)").isValid());
        QCOMPARE(app.querySubObject("WorkBooks"), nullptr);
        QVERIFY(!app.property("Count").isValid());
        QVERIFY(!app.setProperty("DisplayAlerts", false));
        QVERIFY(!app.isDisconnected());
    }
};

QTEST_GUILESS_MAIN(AutomationLayerTest)
#include "automation_layer_test.moc"
