#include "DispatchPlan.h"
#include "MemberCatalogue.h"
#include "MemberText.h"

#include <QtTest>
#include <iterator>

Q_DECLARE_METATYPE(ObjectKind)

// Every member the engine calls, held to Excel's object model as its public
// VBA reference describes it, and the COM layer's plan for each member, given
// objects that describe themselves as the reference does.

namespace {

using K = ObjectKind;

enum class Is { Method, ReadOnly, ReadWrite, NotExcel };

// Properties the engine reaches through a call rather than a get or an
// assignment: Range.Row read as "Row", EnableEvents written as
// "EnableEvents(Boolean)", Visible as "SetVisible(bool)".
enum ByCall { Neither = 0, Reads = 1, Writes = 2, ReadsAndWrites = 3 };

struct Known
{
    ObjectKind object;
    const char *name;
    Is is;
    int required;     // parameters that must be given
    int total;        // all parameters, the optional ones with them
    int byCall = Neither;
    int itemArgs = 0; // what the default member Item of the returned collection
                      // takes: Cells(2, 3) and Worksheets(1) index through it
};

// One member a line; the comment names its page under
// learn.microsoft.com/en-us/office/vba/api/.
const Known kReference[] = {
    {K::Application, "Workbooks", Is::ReadOnly, 0, 0},                      // excel.application.workbooks
    {K::Application, "DisplayAlerts", Is::ReadWrite, 0, 0},                 // excel.application.displayalerts
    {K::Application, "EnableEvents", Is::ReadWrite, 0, 0, Writes},          // excel.application.enableevents
    {K::Application, "Visible", Is::ReadWrite, 0, 0, Writes},               // excel.application.visible
    {K::Application, "Quit", Is::Method, 0, 0},                             // excel.application.quit
    {K::Workbooks, "Open", Is::Method, 1, 15},                              // excel.workbooks.open
    {K::Workbook, "Sheets", Is::ReadOnly, 0, 0, Neither, 1},                // excel.workbook.sheets
    {K::Workbook, "Worksheets", Is::ReadOnly, 0, 0, Neither, 1},            // excel.workbook.worksheets
    {K::Workbook, "ProtectStructure", Is::ReadOnly, 0, 0},                  // excel.workbook.protectstructure
    {K::Workbook, "Protect", Is::Method, 0, 3},                             // excel.workbook.protect
    {K::Workbook, "Password", Is::ReadWrite, 0, 0},                         // excel.workbook.password
    {K::Workbook, "SaveAs", Is::Method, 0, 12},                             // excel.workbook.saveas
    {K::Workbook, "SourceDamaged", Is::NotExcel, 0, 0},                     // none: the engine's own question
    {K::Workbook, "Close", Is::Method, 0, 3},                                // excel.workbook.close
    {K::Workbook, "CustomDocumentProperties", Is::ReadOnly, 0, 0},          // excel.workbook.customdocumentproperties
    {K::Workbook, "Unprotect", Is::Method, 0, 1},                           // excel.workbook.unprotect
    {K::Workbook, "FullName", Is::ReadOnly, 0, 0},                          // excel.workbook.fullname
    {K::Sheets, "Add", Is::Method, 0, 4},                                   // excel.sheets.add
    {K::Sheets, "Item", Is::ReadOnly, 1, 1},                                // excel.sheets.item
    {K::Sheets, "Count", Is::ReadOnly, 0, 0, Reads},                        // excel.sheets.count
    {K::DocumentProperties, "Add", Is::Method, 2, 5},                       // office.documentproperties.add
    {K::DocumentProperties, "Item", Is::ReadOnly, 1, 1},                    // office.documentproperties.item
    {K::DocumentProperties, "Count", Is::ReadOnly, 0, 0},                   // office.documentproperties.count
    {K::DocumentProperty, "Name", Is::ReadWrite, 0, 0},                     // office.documentproperty.name
    {K::DocumentProperty, "Value", Is::ReadWrite, 0, 0},                    // office.documentproperty.value
    {K::DocumentProperty, "Delete", Is::Method, 0, 0},                      // office.documentproperty.delete
    {K::Worksheet, "Unprotect", Is::Method, 0, 1},                          // excel.worksheet.unprotect
    {K::Worksheet, "Delete", Is::Method, 0, 0},                             // excel.worksheet.delete
    {K::Worksheet, "Name", Is::ReadWrite, 0, 0, Reads},                     // excel.worksheet.name
    {K::Worksheet, "Copy", Is::Method, 0, 2},                               // excel.worksheet.copy
    {K::Worksheet, "Move", Is::Method, 0, 2},                               // excel.worksheet.move
    {K::Worksheet, "Select", Is::Method, 0, 1},                             // excel.worksheet.select
    {K::Worksheet, "Activate", Is::Method, 0, 0},                           // excel.worksheet.activate
    {K::Worksheet, "AutoFilterMode", Is::ReadWrite, 0, 0},                  // excel.worksheet.autofiltermode
    {K::Worksheet, "ShowAllData", Is::Method, 0, 0},                        // excel.worksheet.showalldata
    {K::Worksheet, "Protect", Is::Method, 0, 16},                           // excel.worksheet.protect
    {K::Worksheet, "ProtectContents", Is::ReadOnly, 0, 0},                  // excel.worksheet.protectcontents
    {K::Worksheet, "UsedRange", Is::ReadOnly, 0, 0},                        // excel.worksheet.usedrange
    {K::Worksheet, "Hyperlinks", Is::ReadOnly, 0, 0},                       // excel.worksheet.hyperlinks
    {K::Worksheet, "Protection", Is::ReadOnly, 0, 0},                       // excel.worksheet.protection
    {K::Worksheet, "Index", Is::ReadOnly, 0, 0},                            // excel.worksheet.index
    {K::Worksheet, "Cells", Is::ReadOnly, 0, 0, Neither, 2},                // excel.worksheet.cells
    {K::Worksheet, "Range", Is::ReadOnly, 1, 2},                            // excel.worksheet.range
    {K::Worksheet, "Rows", Is::ReadOnly, 0, 0, Neither, 2},                 // excel.worksheet.rows
    {K::Worksheet, "Columns", Is::ReadOnly, 0, 0, Neither, 2},              // excel.worksheet.columns
    {K::Protection, "AllowEditRanges", Is::ReadOnly, 0, 0},                 // excel.protection.alloweditranges
    {K::Hyperlinks, "Add", Is::Method, 2, 5},                               // excel.hyperlinks.add
    {K::AllowEditRanges, "Add", Is::Method, 2, 3},                          // excel.alloweditranges.add
    {K::AllowEditRanges, "Item", Is::ReadOnly, 1, 1},                       // excel.alloweditranges.item
    {K::AllowEditRange, "Delete", Is::Method, 0, 0},                        // excel.alloweditrange.delete
    {K::Range, "Cells", Is::ReadOnly, 0, 0, Neither, 2},                    // excel.range.cells
    {K::Range, "Range", Is::ReadOnly, 1, 2},                                // excel.range.range
    {K::Range, "Rows", Is::ReadOnly, 0, 0, Neither, 2},                     // excel.range.rows
    {K::Range, "Columns", Is::ReadOnly, 0, 0, Neither, 2},                  // excel.range.columns
    {K::Range, "MergeArea", Is::ReadOnly, 0, 0},                            // excel.range.mergearea
    // Direction is an XlDirection (xlUp -4162, excel.xldirection); the
    // engine passes 3, the older number for up that macros widely use.
    {K::Range, "End", Is::ReadOnly, 1, 1},                                  // excel.range.end
    {K::Range, "EntireRow", Is::ReadOnly, 0, 0},                            // excel.range.entirerow
    {K::Range, "SpecialCells", Is::Method, 1, 2},                           // excel.range.specialcells
    {K::Range, "Row", Is::ReadOnly, 0, 0, Reads},                           // excel.range.row
    {K::Range, "Column", Is::ReadOnly, 0, 0, Reads},                        // excel.range.column
    {K::Range, "Count", Is::ReadOnly, 0, 0, Reads},                         // excel.range.count
    {K::Range, "Value", Is::ReadWrite, 0, 1, ReadsAndWrites},               // excel.range.value
    {K::Range, "Text", Is::ReadOnly, 0, 0},                                 // excel.range.text
    {K::Range, "Address", Is::ReadOnly, 0, 5},                              // excel.range.address
    {K::Range, "Formula", Is::ReadWrite, 0, 0, Writes},                     // excel.range.formula
    {K::Range, "FormulaR1C1", Is::ReadWrite, 0, 0, ReadsAndWrites},         // excel.range.formular1c1
    {K::Range, "Locked", Is::ReadWrite, 0, 0},                              // excel.range.locked
    {K::Range, "FormulaHidden", Is::ReadWrite, 0, 0},                       // excel.range.formulahidden
    {K::Range, "AutoFilter", Is::Method, 0, 6},                             // excel.range.autofilter
    {K::Range, "AutoFill", Is::Method, 1, 2},                               // excel.range.autofill
    {K::Range, "Delete", Is::Method, 0, 1},                                 // excel.range.delete
};

QString kindName(ObjectKind object)
{
    static const char *const names[] = {
        "Application", "Workbooks", "Workbook", "Sheets", "Worksheet", "Range", "Hyperlinks",
        "Protection", "AllowEditRanges", "DocumentProperties", "DocumentProperty", "AllowEditRange",
    };
    const int i = int(object);
    return i < int(std::size(names)) ? QString::fromLatin1(names[i]) : QString::number(i);
}

// Names go through GetIDsOfNames, which ignores case: the engine's
// "WorkBooks" is Excel's Workbooks.
const Known *known(ObjectKind object, const QByteArray &name)
{
    for (const Known &row : kReference)
        if (row.object == object && qstricmp(row.name, name.constData()) == 0)
            return &row;
    return nullptr;
}

// The member a text reaches: a call of "SetX" with no member SetX puts X.
struct Target { const Known *row = nullptr; bool setter = false; };

Target targetOf(char access, ObjectKind object, const QByteArray &name)
{
    if (const Known *row = known(object, name))
        return {row, false};
    if (access == 'D' && name.startsWith("Set"))
        if (const Known *row = known(object, name.mid(3)))
            return {row, true};
    return {};
}

// The arguments a text passes: its constants ("End(3)"), or one for each
// type in its parameter list ("Quit(void)" and "Value()" pass none).
int argumentCount(const char *text)
{
    const MemberText member(text);
    if (!member.constants().isEmpty())
        return member.constants().size();
    const QByteArray full = member.text();
    const int open = full.indexOf('(');
    if (open < 0)
        return 0;
    const QByteArray inside = full.mid(open + 1, full.lastIndexOf(')') - open - 1).trimmed();
    return inside.isEmpty() || inside == "void" ? 0 : inside.count(',') + 1;
}

bool putByCall(char access, const Target &target, int count)
{
    return access == 'D' && target.row->is != Is::Method
        && (target.setter || count > target.row->total + target.row->itemArgs);
}

QStringList problemsOf(char access, const char *text, const QList<ObjectKind> &objects)
{
    QStringList problems;
    const QByteArray name = MemberText(text).name();
    const int count = argumentCount(text);
    for (ObjectKind object : objects) {
        const QString where = QStringLiteral("%1 %2 on %3: ")
                                  .arg(QString(QChar(access)), QString::fromLatin1(text), kindName(object));
        const Target target = targetOf(access, object, name);
        const Known *row = target.row;
        if (!row) {
            problems << where + QStringLiteral("no such member in the reference");
            continue;
        }
        if (row->is == Is::NotExcel) {
            // Only a get may ask Excel for it: the failure reads as no.
            if (access != 'P')
                problems << where + QStringLiteral("not Excel's member");
            continue;
        }
        const auto arguments = [&](int least, int most) {
            if (count < least || count > most)
                problems << where + QStringLiteral("%1 arguments, the reference takes %2 to %3")
                                        .arg(count).arg(least).arg(most);
        };
        const bool writable = row->is == Is::ReadWrite;
        switch (access) {
        case 'S':
            if (!writable)
                problems << where + QStringLiteral("assigns to a read-only property or a method");
            break;
        case 'P':
            arguments(row->required, row->total);
            break;
        case 'Q':
            arguments(row->required, row->total + row->itemArgs);
            break;
        default:
            if (row->is == Is::Method)
                arguments(row->required, row->total);
            else if (putByCall(access, target, count)) {
                if (!writable || !(row->byCall & Writes))
                    problems << where + QStringLiteral("writes a property called as a method");
                else // the indexes the get takes, then the value
                    arguments(target.setter ? 1 : row->total + 1, target.setter ? 1 : row->total + 1);
            } else if (!(row->byCall & Reads))
                problems << where + QStringLiteral("reads a property called as a method");
            else
                arguments(row->required, row->total + row->itemArgs);
        }
    }
    return problems;
}

// An object of that kind describing its members as the reference does.
MemberLookup lookupFor(ObjectKind object)
{
    return [object](const QByteArray &name) -> std::optional<DispatchMember> {
        const Known *row = known(object, name);
        if (!row || row->is == Is::NotExcel)
            return std::nullopt;
        DispatchMember member;
        member.id = long(row - kReference) + 1;
        member.described = true;
        const QVector<unsigned short> params(row->total, VarType::Variant);
        if (row->is == Is::Method) {
            member.method = true;
            member.methodParams = params;
        } else {
            member.getter = true;
            member.getParams = params;
            member.putter = row->is == Is::ReadWrite;
            if (member.putter)
                member.putParams = params + QVector<unsigned short>{VarType::Variant};
        }
        return member;
    };
}

} // namespace

class ComMemberTableTest : public QObject
{
    Q_OBJECT

private slots:
    // Every catalogued member exists on the objects it goes to; a call goes
    // to a method (or to a property the table says the engine reads or writes
    // that way), an assignment to a writable property, and the arguments lie
    // between the required and all parameters. Every line of the table is used.
    void catalogueMatchesReference()
    {
        QStringList problems;
        QSet<const Known *> used;
        for (const CatalogueMember &entry : memberCatalogue() + extraMembers()) {
            problems << problemsOf(entry.access, entry.text, entry.objects);
            for (ObjectKind object : entry.objects)
                used << targetOf(entry.access, object, MemberText(entry.text).name()).row;
        }
        for (const Known &row : kReference)
            if (!used.contains(&row))
                problems << QStringLiteral("%1.%2 is in the table but not used").arg(kindName(row.object), row.name);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The COM layer calls methods, gets and puts properties, and passes the
    // catalogue's arguments; a member Excel lacks is not called at all.
    void dispatchPlansFollowReference()
    {
        QStringList wrong;
        for (const CatalogueMember &entry : memberCatalogue() + extraMembers()) {
            const MemberText text(entry.text);
            const int count = argumentCount(entry.text);
            QVariantList args = text.constants();
            while (args.size() < count)
                args << 1;
            for (ObjectKind object : entry.objects) {
                const Target target = targetOf(entry.access, object, text.name());
                if (!target.row)
                    continue; // reported above
                const MemberLookup lookup = lookupFor(object);
                const std::optional<DispatchPlan> plan = entry.access == 'S'
                    ? planPut(text.name(), 1, lookup)
                    : planCall(text.name(), entry.access == 'P' ? QVariantList() : args, lookup);
                const QString where = QStringLiteral("%1 %2 on %3").arg(
                    QString(QChar(entry.access)), QString::fromLatin1(entry.text), kindName(object));
                if (target.row->is == Is::NotExcel) {
                    if (plan)
                        wrong << where + QStringLiteral(": planned a call of a member Excel lacks");
                    continue;
                }
                const bool put = entry.access == 'S' || putByCall(entry.access, target, count);
                const int passed = entry.access == 'S' ? 1 : entry.access == 'P' ? 0 : count;
                if (!plan || plan->member.id != long(target.row - kReference) + 1
                    || plan->member.method != (target.row->is == Is::Method)
                    || plan->kind != (put ? DispatchKind::Put : DispatchKind::MethodOrGet)
                    || plan->args.size() != passed)
                    wrong << where;
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    // The same check finds what a slip in the catalogue would bring.
    void faultsAreReported_data()
    {
        QTest::addColumn<char>("access");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<ObjectKind>("object");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, char access, const char *text, ObjectKind object,
                            const char *expected) {
            QTest::newRow(name) << access << QByteArray(text) << object << QString::fromUtf8(expected);
        };
        row("misspelt", 'D', "SaveAss(const QString&, QVariant)", K::Workbook, "no such member");
        row("wrong object", 'Q', "Open(const QString&)", K::Workbook, "no such member");
        row("too many", 'D', "Close(bool,QVariant,QVariant,QVariant)", K::Workbook, "4 arguments");
        row("too few", 'D', "AutoFill()", K::Range, "0 arguments");
        row("no direction", 'Q', "End", K::Range, "0 arguments");
        row("index too many", 'Q', "Cells(int,int,int)", K::Range, "3 arguments");
        row("setter of two", 'D', "SetVisible(bool,bool)", K::Application, "2 arguments");
        row("read-only set", 'S', "ProtectContents", K::Worksheet, "read-only");
        row("read as method", 'D', "ProtectContents()", K::Worksheet, "called as a method");
        row("written as method", 'D', "SetPassword(QVariant)", K::Workbook, "called as a method");
        row("not Excel's", 'D', "SourceDamaged()", K::Workbook, "not Excel's");
    }

    void faultsAreReported()
    {
        QFETCH(char, access);
        QFETCH(QByteArray, text);
        QFETCH(ObjectKind, object);
        QFETCH(QString, expected);
        const QStringList problems = problemsOf(access, text.constData(), {object});
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.first()));
    }
};

QTEST_GUILESS_MAIN(ComMemberTableTest)
#include "com_member_table_test.moc"
