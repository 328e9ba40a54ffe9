// The COM backend through the handle the engine uses, against automation
// servers that come with Windows (and with Wine): Scripting.Dictionary
// stores any variant and gives it back, MSXML2.DOMDocument has trees of
// objects, properties and methods that take objects.

#include "AutomationObject.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const char *const dictionaryId = "Scripting.Dictionary";
const char *const documentId = "MSXML2.DOMDocument";

std::unique_ptr<AutomationObject> started(const char *progId)
{
    auto object = std::make_unique<AutomationObject>();
    if (!object->setControl(QString::fromLatin1(progId)))
        return nullptr;
    return object;
}

// Equal values of the same types, row lists compared cell by cell (QVariant's
// own comparison takes 1 and 1.0, or "1" and 1, as equal).
bool same(const QVariant &a, const QVariant &b)
{
    if (a.userType() != b.userType())
        return false;
    if (a.userType() == QMetaType::QVariantList) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (int i = 0; i < x.size(); ++i) {
            if (!same(x.at(i), y.at(i)))
                return false;
        }
        return true;
    }
    return a == b;
}

} // namespace

class ComBackendTest : public QObject
{
    Q_OBJECT

private slots:
    void methodsAndProperties()
    {
        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        // Member texts with parameter names and types, blanks and "void".
        // A method that gives nothing back reports its success as true.
        QCOMPARE(dictionary->dynamicCall("Add (const QVariant& Key, const QVariant& Item)", "a", 1), QVariant(true));
        dictionary->dynamicCall("Add(QVariant,QVariant)", QStringLiteral("b"), 2);
        QCOMPARE(dictionary->property("Count"), QVariant(2));
        QCOMPARE(dictionary->dynamicCall("Count(void)"), QVariant(2));
        QCOMPARE(dictionary->dynamicCall("Exists(const QString& Key)", "a"), QVariant(true));
        QCOMPARE(dictionary->dynamicCall("Item(QVariant)", "b"), QVariant(2));

        // An indexed property given its value too is put.
        dictionary->dynamicCall("Item(QVariant, QVariant)", "b", 20);
        QCOMPARE(dictionary->dynamicCall("Item(QVariant)", "b"), QVariant(20));

        QCOMPARE(dictionary->dynamicCall("Remove(QVariant)", "a"), QVariant(true));
        QCOMPARE(dictionary->property("Count"), QVariant(1));
        dictionary->dynamicCall("RemoveAll()");
        QCOMPARE(dictionary->property("Count"), QVariant(0));
    }

    // CompareMode 1 makes keys case-blind; it can be set while the
    // dictionary is empty, by setProperty or by the "SetX" form.
    void propertyPuts()
    {
        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        QVERIFY(dictionary->setProperty("CompareMode", 1));
        QCOMPARE(dictionary->property("CompareMode"), QVariant(1));
        QCOMPARE(dictionary->dynamicCall("SetCompareMode (int Mode)", 0), QVariant(true));
        QCOMPARE(dictionary->property("CompareMode"), QVariant(0));
        // A property given a value as the argument of a call is put too.
        QCOMPARE(dictionary->dynamicCall("CompareMode(int)", 1), QVariant(true));
        QCOMPARE(dictionary->property("CompareMode"), QVariant(1));
        dictionary->dynamicCall("Add(QVariant,QVariant)", "Key", 1);
        QCOMPARE(dictionary->dynamicCall("Exists(QVariant)", "KEY"), QVariant(true));

        // A text for a bool property is read as the bool it names.
        auto document = started(documentId);
        QVERIFY(document);
        document->dynamicCall("SetPreserveWhiteSpace (bool Preserve)", QStringLiteral("true"));
        QCOMPARE(document->property("preserveWhiteSpace"), QVariant(true));
        document->dynamicCall("SetPreserveWhiteSpace (bool Preserve)", QStringLiteral("false"));
        QCOMPARE(document->property("preserveWhiteSpace"), QVariant(false));
        QVERIFY(document->setProperty("async", false));
        QCOMPARE(document->property("async"), QVariant(false));
    }

    // A number written into the member text is the argument.
    void constantsInTheText()
    {
        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        dictionary->dynamicCall("Add(QVariant,QVariant)", 3, QStringLiteral("three"));
        dictionary->dynamicCall("Add(QVariant,QVariant)", 4, QStringLiteral("four"));
        QCOMPARE(dictionary->dynamicCall("Item(3)"), QVariant(QStringLiteral("three")));
        QCOMPARE(dictionary->dynamicCall("Exists(4)"), QVariant(true));
        QCOMPARE(dictionary->dynamicCall("Exists(5)"), QVariant(false));
        QCOMPARE(dictionary->dynamicCall("Keys()"), QVariant(QVariantList{3, 4}));
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const QDateTime moment(QDate(2024, 2, 29), QTime(18, 30, 15));
        const QVariant table = QVariantList{
            QVariantList{1, QStringLiteral("x"), QVariant()},
            QVariantList{2.5, true, moment},
        };
        QTest::newRow("int") << QVariant(-42) << QVariant(-42);
        QTest::newRow("true") << QVariant(true) << QVariant(true);
        QTest::newRow("false") << QVariant(false) << QVariant(false);
        QTest::newRow("double") << QVariant(1234.5678) << QVariant(1234.5678);
        QTest::newRow("text") << QVariant(QStringLiteral("汇总表 A&B")) << QVariant(QStringLiteral("汇总表 A&B"));
        QTest::newRow("empty text") << QVariant(QString(QLatin1String(""))) << QVariant(QString(QLatin1String("")));
        QTest::newRow("date and time") << QVariant(moment) << QVariant(moment);
        QTest::newRow("date") << QVariant(QDate(1999, 12, 31))
                              << QVariant(QDateTime(QDate(1999, 12, 31), QTime(0, 0)));
        QTest::newRow("wide integer") << QVariant(qlonglong(1) << 40) << QVariant(double(qlonglong(1) << 40));
        QTest::newRow("table") << table << table;
        QTest::newRow("one row") << QVariant(QVariantList{QVariantList{7}}) << QVariant(QVariantList{QVariantList{7}});
        QTest::newRow("list") << QVariant(QVariantList{1, QStringLiteral("a")})
                              << QVariant(QVariantList{1, QStringLiteral("a")});
    }

    void valuesRoundTrip()
    {
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        dictionary->dynamicCall("Add(QVariant,QVariant)", "k", value);
        const QVariant back = dictionary->dynamicCall("Item(QVariant)", "k");
        QVERIFY2(same(back, expected), qPrintable(QStringLiteral("%1 came back as %2 %3")
                                                       .arg(QString::fromLatin1(expected.typeName()),
                                                            QString::fromLatin1(back.typeName()),
                                                            back.toString())));
        // A key that holds nothing reads as an invalid variant.
        QVERIFY(!dictionary->dynamicCall("Item(QVariant)", "missing").isValid());
    }

    void objectTrees()
    {
        auto document = started(documentId);
        QVERIFY(document);
        QCOMPARE(document->dynamicCall("loadXML(const QString&)", "<root><a/><b n='2'/><c/></root>"), QVariant(true));
        AutomationObject *root = document->querySubObject("documentElement");
        QVERIFY(root);
        QCOMPARE(root->property("nodeName"), QVariant(QStringLiteral("root")));
        AutomationObject *children = root->querySubObject("childNodes");
        QVERIFY(children);
        QCOMPARE(children->property("length"), QVariant(3));
        AutomationObject *second = children->querySubObject("item(1)");
        QVERIFY(second);
        QCOMPARE(second->property("nodeName"), QVariant(QStringLiteral("b")));
        QCOMPARE(second->dynamicCall("getAttribute(const QString& name)", "n"), QVariant(QStringLiteral("2")));
        // Names are found whatever their case.
        AutomationObject *third = children->querySubObject("Item(int)", 2);
        QVERIFY(third);
        QCOMPARE(third->property("NodeName"), QVariant(QStringLiteral("c")));
    }

    void objectsAsArguments()
    {
        auto document = started(documentId);
        QVERIFY(document);
        document->dynamicCall("loadXML(const QString&)", "<root/>");
        AutomationObject *root = document->querySubObject("documentElement");
        AutomationObject *element = document->querySubObject("createElement(const QString&)", "added");
        QVERIFY(root && element);
        QVERIFY(root->querySubObject("appendChild(QVariant)", element->asVariant()));
        QCOMPARE(document->property("xml").toString().remove(QRegularExpression(QStringLiteral("\\s"))),
                 QStringLiteral("<root><added/></root>"));

        // An object stored in a dictionary comes back as the same object.
        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        dictionary->dynamicCall("Add(QVariant,QVariant)", "root", root->asVariant());
        AutomationObject *back = dictionary->querySubObject("Item(QVariant)", "root");
        QVERIFY(back);
        QCOMPARE(back->property("nodeName"), QVariant(QStringLiteral("root")));
        QVERIFY(nodeOf(dictionary->dynamicCall("Item(QVariant)", "root")));
    }

    void failuresGiveNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No COM class is registered as Sheetsplicer.NoSuchServer")));
        QVERIFY(!AutomationObject().setControl(QStringLiteral("Sheetsplicer.NoSuchServer")));

        auto dictionary = started(dictionaryId);
        QVERIFY(dictionary);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No member NoSuchMember")));
        QVERIFY(!dictionary->dynamicCall("NoSuchMember(int)", 1).isValid());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No member Nothing")));
        QVERIFY(!dictionary->querySubObject("Nothing"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No property Nothing")));
        QVERIFY(!dictionary->setProperty("Nothing", 1));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Count gave no object")));
        QVERIFY(!dictionary->querySubObject("Count"));

        // The server's own error: a key added twice.
        dictionary->dynamicCall("Add(QVariant,QVariant)", "a", 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Add failed: ")));
        QVERIFY(!dictionary->dynamicCall("Add(QVariant,QVariant)", "a", 2).isValid());
        QCOMPARE(dictionary->property("Count"), QVariant(1));
        QVERIFY(!dictionary->isDisconnected());
    }

    // The engine starts the application on its worker thread: COM is set up
    // there, for the objects' lifetime.
    void onAWorkerThread()
    {
        QVariant count;
        QVariant item;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            auto dictionary = started(dictionaryId);
            if (!dictionary)
                return;
            dictionary->dynamicCall("Add(QVariant,QVariant)", 1, "one");
            count = dictionary->property("Count");
            item = dictionary->dynamicCall("Item(1)");
        }));
        worker->start();
        QVERIFY(worker->wait(30000));
        QCOMPARE(count, QVariant(1));
        QCOMPARE(item, QVariant(QStringLiteral("one")));
    }
};

QTEST_GUILESS_MAIN(ComBackendTest)
#include "com_backend_test.moc"
