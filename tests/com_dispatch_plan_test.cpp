#include "DispatchPlan.h"
#include "OleDate.h"

#include "AutomationNode.h"

#include <QtTest>

namespace {

DispatchMember method(long id, QVector<unsigned short> params)
{
    DispatchMember m;
    m.id = id;
    m.described = true;
    m.method = true;
    m.methodParams = std::move(params);
    return m;
}

DispatchMember property(long id, QVector<unsigned short> getParams, QVector<unsigned short> putParams)
{
    DispatchMember m;
    m.id = id;
    m.described = true;
    m.getter = true;
    m.getParams = std::move(getParams);
    m.putter = !putParams.isEmpty();
    m.putParams = std::move(putParams);
    return m;
}

// An object as the type information of a spreadsheet application's objects
// describes it: Visible and EnableEvents are plain properties, Item an
// indexed one, Close and SetBackgroundPicture methods, Tag an id without
// description.
MemberLookup sampleObject()
{
    return [](const QByteArray &name) -> std::optional<DispatchMember> {
        if (name == "Visible")
            return property(1, {}, {VarType::Bool});
        if (name == "EnableEvents")
            return property(2, {}, {VarType::Bool});
        if (name == "Item")
            return property(3, {VarType::I4}, {VarType::I4, VarType::Bstr});
        if (name == "Close")
            return method(4, {VarType::Bool, VarType::Variant});
        if (name == "SetBackgroundPicture")
            return method(5, {VarType::Bstr});
        if (name == "Index")
            return property(6, {VarType::I4}, {VarType::I4, VarType::Bool});
        if (name == "Tag") {
            DispatchMember m;
            m.id = 7;
            return m;
        }
        return std::nullopt;
    };
}

} // namespace

class ComDispatchPlanTest : public QObject
{
    Q_OBJECT

private slots:
    // "SetX" is a put of X only when the object has no member SetX, and only
    // with one argument.
    void setterTexts()
    {
        const MemberLookup lookup = sampleObject();

        auto visible = planCall("SetVisible", {QStringLiteral("false")}, lookup);
        QVERIFY(visible);
        QCOMPARE(visible->kind, DispatchKind::Put);
        QCOMPARE(visible->member.id, 1L);
        QCOMPARE(visible->args, QVariantList{false});

        auto picture = planCall("SetBackgroundPicture", {QStringLiteral("a.png")}, lookup);
        QVERIFY(picture);
        QCOMPARE(picture->kind, DispatchKind::MethodOrGet);
        QCOMPARE(picture->member.id, 5L);

        QVERIFY(!planCall("SetVisible", {true, true}, lookup));
        QVERIFY(!planCall("SetNothing", {1}, lookup));
        QVERIFY(!planCall("Nothing", {}, lookup));
    }

    // A property given more arguments than its get takes is put, the last
    // argument being the value; otherwise it is read.
    void propertiesWithArguments()
    {
        const MemberLookup lookup = sampleObject();

        auto events = planCall("EnableEvents", {0}, lookup);
        QCOMPARE(events->kind, DispatchKind::Put);
        QCOMPARE(events->args, QVariantList{false});

        auto read = planCall("Item", {QStringLiteral("2")}, lookup);
        QCOMPARE(read->kind, DispatchKind::MethodOrGet);
        QCOMPARE(read->args, QVariantList{2});

        auto written = planCall("Item", {QStringLiteral("2"), 5}, lookup);
        QCOMPARE(written->kind, DispatchKind::Put);
        QCOMPARE(written->args, (QVariantList{2, QStringLiteral("5")}));

        auto bare = planCall("EnableEvents", {}, lookup);
        QCOMPARE(bare->kind, DispatchKind::MethodOrGet);
        QVERIFY(bare->args.isEmpty());
    }

    // Method arguments take the parameters' types; those past the described
    // parameters and those of undescribed members go as given.
    void methodArguments()
    {
        const MemberLookup lookup = sampleObject();

        auto close = planCall("Close", {QStringLiteral("true"), QStringLiteral("x"), 3}, lookup);
        QCOMPARE(close->kind, DispatchKind::MethodOrGet);
        QCOMPARE(close->args, (QVariantList{true, QStringLiteral("x"), 3}));

        auto tag = planCall("Tag", {QStringLiteral("false")}, lookup);
        QCOMPARE(tag->kind, DispatchKind::MethodOrGet);
        QCOMPARE(tag->member.described, false);
        QCOMPARE(tag->args, QVariantList{QStringLiteral("false")});
    }

    // setProperty: the value goes to the put's last parameter even when an
    // optional index before it is left out.
    void propertyPuts()
    {
        const MemberLookup lookup = sampleObject();

        auto index = planPut("Index", QStringLiteral("0"), lookup);
        QCOMPARE(index->kind, DispatchKind::Put);
        QCOMPARE(index->args, QVariantList{false});

        auto tag = planPut("Tag", 4, lookup);
        QCOMPARE(tag->kind, DispatchKind::Put);
        QCOMPARE(tag->args, QVariantList{4});

        QVERIFY(!planPut("Nothing", 1, lookup));
    }

    void argumentConversion()
    {
        QCOMPARE(coerceArgument(QStringLiteral("false"), VarType::Bool), QVariant(false));
        QCOMPARE(coerceArgument(QStringLiteral("TRUE"), VarType::Bool), QVariant(true));
        QCOMPARE(coerceArgument(QStringLiteral("0"), VarType::Bool), QVariant(false));
        QCOMPARE(coerceArgument(QStringLiteral("-1"), VarType::Bool), QVariant(true));
        QCOMPARE(coerceArgument(2, VarType::Bool), QVariant(true));

        QCOMPARE(coerceArgument(QStringLiteral("3"), VarType::I4), QVariant(3));
        QCOMPARE(coerceArgument(2.0, VarType::I2), QVariant(2));
        QCOMPARE(coerceArgument(QStringLiteral("abc"), VarType::I4), QVariant(QStringLiteral("abc")));
        QCOMPARE(coerceArgument(QStringLiteral("2.5"), VarType::R8), QVariant(2.5));
        QCOMPARE(coerceArgument(7, VarType::Bstr), QVariant(QStringLiteral("7")));
        QCOMPARE(coerceArgument(QStringLiteral("7"), VarType::Variant), QVariant(QStringLiteral("7")));

        // What has no single value is passed as it is.
        QVERIFY(!coerceArgument(QVariant(), VarType::I4).isValid());
        const QVariant rows = QVariantList{QVariantList{1, 2}};
        QCOMPARE(coerceArgument(rows, VarType::Bstr), rows);
        const QVariant object = QVariant::fromValue(AutomationRef{});
        QCOMPARE(coerceArgument(object, VarType::Bstr).userType(), qMetaTypeId<AutomationRef>());
    }

    void oleDates_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<double>("number");
        QTest::newRow("day zero") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
        QTest::newRow("March 1900") << QDateTime(QDate(1900, 3, 1), QTime(0, 0)) << 61.0;
        QTest::newRow("leap day, evening") << QDateTime(QDate(2024, 2, 29), QTime(18, 0)) << 45351.75;
        QTest::newRow("before day zero") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
    }

    void oleDates()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(double, number);
        QCOMPARE(oleDateFromDateTime(dateTime), number);
        QCOMPARE(dateTimeFromOleDate(number), dateTime);
    }

    // A time a hair before midnight, as a double stores it, is the next day.
    void oleDateRounding()
    {
        QCOMPARE(dateTimeFromOleDate(45351.9999999999), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        QCOMPARE(dateTimeFromOleDate(-1.9999999999), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        const QDateTime noon(QDate(2001, 5, 6), QTime(12, 0, 0, 1));
        QCOMPARE(dateTimeFromOleDate(oleDateFromDateTime(noon)), noon);
    }
};

QTEST_GUILESS_MAIN(ComDispatchPlanTest)
#include "com_dispatch_plan_test.moc"
