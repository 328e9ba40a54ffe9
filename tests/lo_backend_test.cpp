// The LibreOffice backend against a real office: each member with its Excel meaning.
#include "AutomationObject.h"
#include "OfficeSockets.h"
#include "lo_Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QLoggingCategory>
#include <QtTest>

#include <unistd.h>

namespace {

struct Session
{
    AutomationObject application;
    AutomationObject *workbooks = nullptr;

    Session()
    {
        application.setControl(QStringLiteral("Excel.Application"));
        application.dynamicCall("SetVisible (bool Visible)", QStringLiteral("false"));
        application.setProperty("DisplayAlerts", false);
        workbooks = application.querySubObject("WorkBooks");
    }
    ~Session() { application.dynamicCall("Quit(void)"); }
};

QStringList sheetNames(AutomationObject *workbook)
{
    QStringList names;
    AutomationObject *sheets = workbook->querySubObject("Sheets");
    const int count = sheets->property("Count").toInt();
    for (int i = 1; i <= count; ++i)
        names << sheets->querySubObject("Item(int)", i)->property("Name").toString();
    return names;
}

QStringList column(AutomationObject *sheet, int col, int fromRow, int toRow)
{
    QStringList values;
    for (int r = fromRow; r <= toRow; ++r)
        values << sheet->querySubObject("Cells(int,int)", r, col)->dynamicCall("Value()").toString();
    return values;
}

// One category's copy as the split makes it: copy, filter the other
// categories, delete the rows left showing, put the summary first again.
AutomationObject *splitOff(AutomationObject *book, AutomationObject *summary, const QString &category, int lastRow)
{
    AutomationObject *sheets = book->querySubObject("Sheets");
    summary->dynamicCall("Copy(const QVariant&)", sheets->querySubObject("Item(int)", 1)->asVariant());
    AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
    copy->setProperty("Name", category);
    copy->querySubObject("Range(const QString&)", QStringLiteral("A2"))
        ->dynamicCall("AutoFilter(QVariant,QVariant)", 1, QStringLiteral("<>") + category);
    copy->querySubObject("Range(const QString&)", QStringLiteral("A2:A%1").arg(lastRow))
        ->querySubObject("Cells")->querySubObject("SpecialCells(QVariant)", 12)
        ->querySubObject("EntireRow")->dynamicCall("Delete()");
    copy->setProperty("AutoFilterMode", false);
    summary->dynamicCall("Move(const QVariant&)", copy->asVariant());
    return copy;
}

AutomationObject *plainCopy(AutomationObject *book, AutomationObject *summary, const QString &name)
{
    AutomationObject *sheets = book->querySubObject("Sheets");
    summary->dynamicCall("Copy(const QVariant&)", sheets->querySubObject("Item(int)", 1)->asVariant());
    AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
    copy->setProperty("Name", name);
    return copy;
}

} // namespace

class LoBackendTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { QCOMPARE(officeProcesses(), 0); }

    void startsAndQuitsItsOwnOffice()
    {
        // This program's office sockets: the session's pipe, named after this
        // process, and the one named after its profile (other programs'
        // offices may come and go meanwhile).
        const QString prefix = QStringLiteral("OSL_PIPE_%1_").arg(::geteuid());
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const auto sockets = [&]() {
            QSet<QString> ours;
            for (const QString &pipe : QDir(QStringLiteral("/tmp")).entryList(
                     {prefix + QStringLiteral("sheetsplicer-") + pid + QStringLiteral("-*")}, QDir::System | QDir::Hidden))
                ours << pipe;
            for (const QString &profile : QDir::temp().entryList(
                     {QStringLiteral("sheetsplicer-office-") + pid + QStringLiteral("-*")}, QDir::Dirs | QDir::Hidden)) {
                const QString url = QString::fromUtf8(QUrl::fromLocalFile(QDir::temp().filePath(profile)).toEncoded());
                const QString pipe = prefix + OfficeSockets::profilePipeName(url);
                if (QFileInfo::exists(QStringLiteral("/tmp/") + pipe))
                    ours << pipe;
            }
            return ours;
        };
        QSet<QString> during;
        QElapsedTimer timer;
        timer.start();
        {
            Session s;
            QVERIFY(s.workbooks);
            qInfo("setControl to WorkBooks answered: %lld ms", timer.elapsed());
            QCOMPARE(officeProcesses(), 1);
            during = sockets();
        }
        QCOMPARE(officeProcesses(), 0);
        const QStringList left = QDir::temp().entryList(
            {QStringLiteral("sheetsplicer-office-%1-*").arg(QCoreApplication::applicationPid())});
        QVERIFY2(left.isEmpty(), qPrintable(left.join(',')));
        QCOMPARE(during.size(), 2);
        for (const QString &pipe : during)
            QVERIFY2(!QFileInfo::exists(QStringLiteral("/tmp/") + pipe), qPrintable(pipe));
    }

    void aMissingOfficeGivesNoWorkbooks()
    {
        qputenv("SHEETSPLICER_OFFICE", "/nonexistent/soffice.bin");
        {
            Session s;
            QVERIFY(!s.workbooks);
        }
        qunsetenv("SHEETSPLICER_OFFICE");
    }

    void readsAndMeasuresTheSummary()
    {
        const QString path = m_dir.filePath("read.xlsx");
        QVERIFY(makeWorkbook("categories", path));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", QDir::toNativeSeparators(path));
        QVERIFY(book);
        AutomationObject *sheet = book->querySubObject("WorkSheets(int)", 1);
        QCOMPARE(sheet->property("Name").toString(), QStringLiteral("Summary"));
        AutomationObject *used = sheet->querySubObject("UsedRange");
        QCOMPARE(used->property("Row").toInt(), 1);
        QCOMPARE(used->property("Column").toInt(), 1);
        QCOMPARE(used->querySubObject("Rows")->property("Count").toInt(), 8);
        QCOMPARE(used->querySubObject("Columns")->property("Count").toInt(), 6);
        QCOMPARE(column(sheet, 1, 2, 4), (QStringList{"East", "West", "North"}));
        QCOMPARE(sheet->querySubObject("Cells(int,int)", 2, 3)->dynamicCall("Value()").toString(), QStringLiteral("11"));
        QVERIFY(!sheet->querySubObject("Cells(int,int)", 50, 1)->dynamicCall("Value()").isValid());
        // Ctrl+Up from below the table, from inside it, and in an empty column.
        QCOMPARE(sheet->querySubObject("Cells(int, int)", 9, 1)->querySubObject("End(3)")->dynamicCall("Row").toInt(), 8);
        QCOMPARE(sheet->querySubObject("Cells(int, int)", 100, 1)->querySubObject("End(3)")->dynamicCall("Row").toInt(), 8);
        QCOMPARE(sheet->querySubObject("Cells(int, int)", 5, 1)->querySubObject("End(3)")->dynamicCall("Row").toInt(), 1);
        QCOMPARE(sheet->querySubObject("Cells(int, int)", 9, 9)->querySubObject("End(3)")->dynamicCall("Row").toInt(), 1);
        QVERIFY(!sheet->querySubObject("Range(const QString&)", QStringLiteral("hello")));
        AutomationObject *multi = sheet->querySubObject("Range(const QVariant&)", QStringLiteral("A2:B9,D2:E57"));
        QVERIFY(multi);
        QCOMPARE(multi->property("Row").toInt(), 2);
        QCOMPARE(multi->querySubObject("Rows")->property("Count").toInt(), 8);
    }

    void refusesWhatIsNotAWorkbookQuickly()
    {
        const QString junk = m_dir.filePath("junk.xlsx");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
        f.close();
        Session s;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!s.workbooks->querySubObject("Open(const QString&)", junk));
        QVERIFY(!s.workbooks->querySubObject("Open(const QString&)", m_dir.filePath("missing.xlsx")));
        QVERIFY(timer.elapsed() < 20000);
    }

    void splitsLikeTheFilterAndDelete()
    {
        const QString path = m_dir.filePath("split.xlsx");
        QVERIFY(makeWorkbook("categories", path, {"2"}));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        QVERIFY(book);
        AutomationObject *sheets = book->querySubObject("Sheets");
        AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
        summary->dynamicCall("Copy(const QVariant&)", sheets->querySubObject("Item(int)", 1)->asVariant());
        AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
        copy->setProperty("Name", QStringLiteral("North"));
        QCOMPARE(sheetNames(book), (QStringList{"North", "Summary"}));
        copy->querySubObject("Range(const QString&)", QStringLiteral("A3"))
            ->dynamicCall("AutoFilter(QVariant,QVariant)", 1, QStringLiteral("<>North"));
        AutomationObject *visible = copy->querySubObject("Range(const QString&)", QStringLiteral("A3:A9"))
                                        ->querySubObject("Cells")
                                        ->querySubObject("SpecialCells(QVariant)", 12);
        QVERIFY(visible);
        visible->querySubObject("EntireRow")->dynamicCall("Delete()");
        copy->querySubObject("Range(const QString&)", QStringLiteral("A3"))->dynamicCall("AutoFilter(QVariant)", 1);
        copy->setProperty("AutoFilterMode", false);
        summary->dynamicCall("Move(const QVariant&)", copy->asVariant());
        QCOMPARE(sheetNames(book), (QStringList{"Summary", "North"}));
        AutomationObject *north = sheets->querySubObject("Item(int)", 2);
        QCOMPARE(column(north, 1, 1, 5), (QStringList{"Title 1", "Region", "North", "North", ""}));
        QCOMPARE(column(north, 2, 3, 4), (QStringList{"K003", "K005"}));
        // The summary keeps every row.
        QCOMPARE(column(summary, 1, 3, 9).size(), 7);
        QCOMPARE(column(summary, 1, 9, 9), QStringList{"East"});

        // When every row is of the category, nothing stays visible.
        summary->dynamicCall("Copy(const QVariant&)", sheets->querySubObject("Item(int)", 1)->asVariant());
        AutomationObject *all = sheets->querySubObject("Item(int)", 1);
        all->querySubObject("Range(const QString&)", QStringLiteral("A3"))
            ->dynamicCall("AutoFilter(QVariant,QVariant)", 1, QStringLiteral("<>North"));
        AutomationObject *onlyNorth = all->querySubObject("Range(const QString&)", QStringLiteral("A5:A5"))
                                          ->querySubObject("Cells")->querySubObject("SpecialCells(QVariant)", 12);
        QVERIFY(!onlyNorth);
    }

    void namesFollowExcelsRules()
    {
        const QString path = m_dir.filePath("names.xlsx");
        QVERIFY(makeWorkbook("categories", path));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        AutomationObject *sheets = book->querySubObject("Sheets");
        sheets->dynamicCall("Add()");
        AutomationObject *added = sheets->querySubObject("Item(int)", 1);
        QCOMPARE(sheetNames(book).size(), 2);
        for (const QString &bad : {QString(), QString("summary"), QString(32, 'x'), QString("a/b"), QString("a[1]"),
                                   QString("'quoted"), QString("end'"), QString("what?")}) {
            added->setProperty("Name", bad);
            QVERIFY2(added->property("Name").toString() != bad, qPrintable(bad));
        }
        added->setProperty("Name", QString::fromUtf8("目录"));
        QCOMPARE(sheetNames(book), (QStringList{QString::fromUtf8("目录"), "Summary"}));
    }

    void formulasSpeakExcel()
    {
        const QString path = m_dir.filePath("formulas.xlsx");
        QVERIFY(makeWorkbook("categories", path));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        AutomationObject *sheets = book->querySubObject("Sheets");
        AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
        summary->dynamicCall("Copy(const QVariant&)", sheets->querySubObject("Item(int)", 1)->asVariant());
        AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
        copy->setProperty("Name", QStringLiteral("Copy"));
        // Blank the copy's numbers, then let formulas fetch them from the summary.
        const QString formula = QStringLiteral(
            "=IF(VLOOKUP($B2,Summary!$B$2:$F$8,COLUMN()-COLUMN($B2)+1,0)=\"\",\"\",VLOOKUP($B2,Summary!$B$2:$F$8,COLUMN()-COLUMN($B2)+1,0))");
        AutomationObject *top = copy->querySubObject("Cells(int,int)", 2, 3);
        top->dynamicCall("SetFormula(const QVariant&)", formula);
        const QString r1c1 = top->dynamicCall("FormulaR1C1()").toString();
        QCOMPARE(r1c1, QStringLiteral("=IF(VLOOKUP(RC2,Summary!R2C2:R8C6,COLUMN()-COLUMN(RC2)+1,0)=\"\",\"\",VLOOKUP(RC2,Summary!R2C2:R8C6,COLUMN()-COLUMN(RC2)+1,0))"));
        for (int r = 2; r <= 8; ++r)
            for (int c = 3; c <= 6; ++c)
                copy->querySubObject("Cells(int,int)", r, c)->dynamicCall("SetFormulaR1C1(const QVariant&)", r1c1);
        QCOMPARE(copy->querySubObject("Cells(int,int)", 5, 4)->dynamicCall("FormulaR1C1()").toString(), r1c1);
        // Values computed by the office equal the summary's.
        for (int r = 2; r <= 8; ++r)
            for (int c = 3; c <= 6; ++c)
                QCOMPARE(copy->querySubObject("Cells(int,int)", r, c)->dynamicCall("Value()").toString(),
                         summary->querySubObject("Cells(int,int)", r, c)->dynamicCall("Value()").toString());
        // A formula the office cannot take leaves the cell as it was.
        AutomationObject *key = copy->querySubObject("Cells(int,int)", 2, 1);
        key->dynamicCall("SetFormula(const QVariant&)", QStringLiteral("=IF(("));
        QVERIFY(!key->dynamicCall("Value()").toString().isEmpty());
    }

    // A tall block takes its formulas in bulk and keeps every row's own formatting.
    // The filter covers Excel's current region around the start cell: past a
    // row of formulas that show nothing, up to the first empty row. Rows
    // below it are not filtered, so they go with the visible ones.
    void theFilterTakesTheBlockGivenOrTheRegion()
    {
        const QString path = m_dir.filePath("gapped.xlsx");
        QVERIFY(makeWorkbook("gapped", path, {}));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        QVERIFY(book);
        AutomationObject *sheet = book->querySubObject("WorkSheets(int)", 1);
        // A block given whole is the region, blank rows and all; its field
        // counts from the block's own first column.
        sheet->querySubObject("Range(const QString&)", QStringLiteral("B1:B8"))
            ->dynamicCall("AutoFilter(QVariant,QVariant)", 1, QStringLiteral("<>K7"));
        QCOMPARE(sheet->querySubObject("Range(const QString&)", QStringLiteral("B2:B8"))
                     ->querySubObject("Cells")->querySubObject("SpecialCells(QVariant)", 12)
                     ->querySubObject("EntireRow")->property("Count").toInt(),
                 6); // all but row 7
        // A single cell stands for its current region, which stops at the empty row.
        sheet->querySubObject("Range(const QString&)", QStringLiteral("A2"))
            ->dynamicCall("AutoFilter(QVariant,QVariant)", 1, QStringLiteral("<>North"));
        AutomationObject *visible = sheet->querySubObject("Range(const QString&)", QStringLiteral("A2:A8"))
                                        ->querySubObject("Cells")->querySubObject("SpecialCells(QVariant)", 12);
        QVERIFY(visible);
        QCOMPARE(visible->querySubObject("EntireRow")->property("Count").toInt(), 5); // rows 3, 4, 6, 7, 8
        visible->querySubObject("EntireRow")->dynamicCall("Delete()");
        sheet->setProperty("AutoFilterMode", false);
        QCOMPARE(column(sheet, 2, 1, 4), (QStringList{"Key", "K2", "K5", ""}));
    }

    // What a reader sees: a date as shown, a formula saved without its
    // result, and the block a merged cell belongs to.
    void readsCellsAsShown()
    {
        const QString path = m_dir.filePath("shown.xlsx");
        QVERIFY(makeWorkbook("shown", path, {}));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        QVERIFY(book);
        AutomationObject *sheet = book->querySubObject("WorkSheets(int)", 1);
        const auto cell = [&](int row, int column) { return sheet->querySubObject("Cells(int,int)", row, column); };
        QCOMPARE(cell(2, 1)->property("Text").toString(), QStringLiteral("2024-03-01"));
        QCOMPARE(cell(3, 1)->dynamicCall("Value()").toString(), QStringLiteral("West"));
        for (int row = 2; row <= 4; ++row) {
            AutomationObject *merged = cell(row, 2)->querySubObject("MergeArea");
            QVERIFY(merged);
            QCOMPARE(merged->property("Row").toInt(), 2);
            QCOMPARE(merged->querySubObject("Rows")->property("Count").toInt(), 3);
        }
        QCOMPARE(cell(5, 2)->querySubObject("MergeArea")->querySubObject("Rows")->property("Count").toInt(), 1);
    }

    // Rows freed at the bottom by a delete are the sheet's own 15 pt rows,
    // not the office's standard ones: nothing past the table is saved.
    void deletedRowsLeaveNoRowsBehind()
    {
        const QString path = m_dir.filePath("runs.xlsx");
        QVERIFY(makeWorkbook("striped", path, {"300", "categories"}));
        QTemporaryDir out;
        {
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
            for (const QString &category : {QStringLiteral("North"), QStringLiteral("South")})
                splitOff(book, summary, category, 301);
            QCOMPARE(sheetNames(book), (QStringList{"Summary", "South", "North"}));
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("runs.xlsx"), 51).isValid());
        }
        QProcess python;
        python.start("/usr/bin/python3", {"-c", R"py(
import re, sys, zipfile, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(" ".join(wb.sheetnames))
z = zipfile.ZipFile(sys.argv[1])
for name in wb.sheetnames:
    ws = wb[name]
    part = "xl/worksheets/sheet%d.xml" % (wb.sheetnames.index(name) + 1)
    rows = re.findall(rb'<row r="(\d+)"', z.read(part))
    kinds = set(ws.cell(row=r, column=1).value for r in range(2, ws.max_row + 1))
    print(name, len(rows), max(int(r) for r in rows), ws.max_row, "/".join(sorted(kinds)))
)py", out.filePath("runs.xlsx")});
        QVERIFY(python.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("Summary South North"));
        for (const QString &line : lines.mid(1)) {
            const QStringList f = line.split(' ');
            QCOMPARE(f.size(), 5);
            // Every written row is a row of the table.
            QCOMPARE(f[1], f[3]);
            QCOMPARE(f[2], f[3]);
            QCOMPARE(f[4], f[0] == "Summary" ? QStringLiteral("East/North/South") : f[0]);
        }
    }

    // After the first split, copies of the summary come from a copy with its
    // rows grouped by category. Whatever is done to such a copy, it holds the
    // summary's rows in the summary's order, formulas following their cells.
    void copiesKeepTheSummarysOrder()
    {
        const QString path = m_dir.filePath("grouped.xlsx");
        QVERIFY(makeWorkbook("striped", path, {"60", "categories"}));
        QTemporaryDir out;
        QStringList keys;
        QStringList figures;
        {
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
            keys = column(summary, 1, 2, 61);
            figures = column(summary, 2, 2, 61);
            splitOff(book, summary, QStringLiteral("North"), 61);
            const QStringList above = column(summary, 8, 2, 61); // =B(row - 1)
            QCOMPARE(above.value(1), QStringLiteral("2"));

            AutomationObject *read = plainCopy(book, summary, QStringLiteral("Read"));
            QCOMPARE(column(read, 1, 2, 61), keys);
            QCOMPARE(column(read, 8, 2, 61), above);

            AutomationObject *written = plainCopy(book, summary, QStringLiteral("Written"));
            written->querySubObject("Cells(int,int)", 62, 1)->dynamicCall("SetValue(const QVariant&)", QStringLiteral("new"));
            QCOMPARE(column(written, 1, 2, 62), keys + QStringList{"new"});
            QCOMPARE(column(written, 8, 2, 61), above);

            // The summary changes after the copy: the copy keeps what it had.
            AutomationObject *before = plainCopy(book, summary, QStringLiteral("Before"));
            summary->querySubObject("Cells(int,int)", 3, 2)->dynamicCall("SetValue(const QVariant&)", 999);
            QCOMPARE(column(before, 2, 2, 61), figures);
            QCOMPARE(column(summary, 2, 3, 3), QStringList{"999"});

            // A copy left as it came is saved in the summary's order, and the
            // grouped copy is not saved.
            plainCopy(book, summary, QStringLiteral("Untouched"));
            AutomationObject *south = splitOff(book, summary, QStringLiteral("South"), 61);
            const QStringList southKeys = column(south, 1, 2, 20);
            QCOMPARE(QSet<QString>(southKeys.cbegin(), southKeys.cend()), (QSet<QString>{"South"}));
            book->querySubObject("Sheets")->dynamicCall("Add()");
            QCOMPARE(sheetNames(book),
                     (QStringList{"Sheet1", "Summary", "South", "Untouched", "Before", "Written", "Read", "North"}));
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("grouped.xlsx"), 51).isValid());
        }
        QProcess python;
        python.start("/usr/bin/python3", {"-c", R"py(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("|".join(wb.sheetnames))
ws = wb["Untouched"]
print("|".join(str(ws.cell(row=r, column=1).value) for r in range(2, 62)))
print("|".join(str(ws.cell(row=r, column=8).value) for r in range(3, 62)))
)py", out.filePath("grouped.xlsx")});
        QVERIFY(python.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("Sheet1|Summary|South|Untouched|Before|Written|Read|North"));
        QCOMPARE(lines.value(1), keys.join('|'));
        QStringList formulas;
        for (int r = 3; r <= 61; ++r)
            formulas << QStringLiteral("=B%1").arg(r - 1);
        QCOMPARE(lines.value(2), formulas.join('|'));
    }

    void everyCategorysCopyHoldsItsRowsAndTheRowsAroundThem()
    {
        // Enough rows a category for the copies to come from the grouped source.
        const int rows = 660;
        const QString path = m_dir.filePath("parts.xlsx");
        QVERIFY(makeWorkbook("striped", path, {QString::number(rows), "categories"}));
        QTemporaryDir out;
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
        const QStringList keys = column(summary, 1, 2, rows + 1);
        const QStringList figures = column(summary, 2, 2, rows + 1);
        // A total below an empty row stays outside the filtered rows and with every copy.
        summary->querySubObject("Cells(int,int)", rows + 3, 1)->dynamicCall("SetValue(const QVariant&)", QStringLiteral("total"));
        const auto rowsOf = [&](const QString &category) {
            QStringList rows;
            for (int i = 0; i < keys.size(); ++i)
                if (keys.at(i) == category)
                    rows << figures.at(i);
            return rows;
        };
        for (const QString category : {"North", "South", "East"}) {
            AutomationObject *copy = splitOff(book, summary, category, rows + 1);
            const int count = rowsOf(category).size();
            QCOMPARE(column(copy, 2, 2, count + 1), rowsOf(category));
            QCOMPARE(column(copy, 1, count + 2, count + 3), (QStringList{QString(), QStringLiteral("total")}));
        }

        // A copy not yet cut down answers like the summary.
        AutomationObject *copy = plainCopy(book, summary, QStringLiteral("Odd"));
        QCOMPARE(copy->querySubObject("UsedRange")->property("Address").toString(),
                 summary->querySubObject("UsedRange")->property("Address").toString());
        // Deleting rows no category's copy matches keeps the others as they were.
        copy->querySubObject("Range(const QString&)", QStringLiteral("A3:A9,A20:A21"))
            ->querySubObject("EntireRow")->dynamicCall("Delete()");
        QStringList left = keys;
        left.erase(left.begin() + 18, left.begin() + 20);
        left.erase(left.begin() + 1, left.begin() + 8);
        QCOMPARE(column(copy, 1, 2, rows - 8), left);
        QCOMPARE(sheetNames(book), (QStringList{"Odd", "Summary", "East", "South", "North"}));
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("parts.xlsx"), 51).isValid());
        QCOMPARE(sheetNames(book), (QStringList{"Odd", "Summary", "East", "South", "North"}));
    }

    void tallFormulaBlocksKeepTheirFormatting()
    {
        const QString path = m_dir.filePath("striped.xlsx");
        QVERIFY(makeWorkbook("striped", path, {"60"}));
        QTemporaryDir out;
        {
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *sheet = book->querySubObject("WorkSheets(int)", 1);
            AutomationObject *top = sheet->querySubObject("Cells(int,int)", 2, 2);
            top->dynamicCall("SetFormula(const QVariant&)", QStringLiteral("=$A2&\"-\"&COLUMN()"));
            const QVariant r1c1 = top->dynamicCall("FormulaR1C1()");
            for (int r = 2; r <= 61; ++r)
                for (int c = 2; c <= 5; ++c)
                    sheet->querySubObject("Cells(int,int)", r, c)->dynamicCall("SetFormulaR1C1(const QVariant&)", r1c1);
            QCOMPARE(sheet->querySubObject("Cells(int,int)", 45, 4)->dynamicCall("Value()").toString(), QStringLiteral("K045-4"));
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("striped.xlsx"), 51).isValid());
        }
        QProcess python;
        python.start("/usr/bin/python3", {"-c", R"(
import openpyxl, sys
ws = openpyxl.load_workbook(sys.argv[1])['Summary']
for r in range(2, 62):
    for c in range(2, 6):
        cell = ws.cell(row=r, column=c)
        filled = cell.fill.fgColor.rgb if cell.fill.fill_type else None
        print(r, c, cell.value, filled, bool(cell.font.b), cell.number_format)
)", out.filePath("striped.xlsx")});
        QVERIFY(python.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 60 * 4);
        for (const QString &line : lines) {
            const QStringList f = line.split(' ');
            const int r = f[0].toInt();
            const int c = f[1].toInt();
            QCOMPARE(f[2], QStringLiteral("=$A%1&\"-\"&COLUMN()").arg(r));
            QCOMPARE(f[3] != "None", r % 3 == 0);
            QCOMPARE(f[4] == "True", c == 4 && r % 5 == 0);
            QCOMPARE(f[5] == "0.00%", c == 5);
        }
    }

    void aProtectedSheetGetsItsWaitingFormulasFirst()
    {
        const QString path = m_dir.filePath("waiting.xlsx");
        QVERIFY(makeWorkbook("striped", path, {"60"}));
        QTemporaryDir out;
        {
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *sheets = book->querySubObject("Sheets");
            sheets->dynamicCall("Add()");
            AutomationObject *other = sheets->querySubObject("Item(int)", 1);
            AutomationObject *summary = sheets->querySubObject("Item(int)", 2);
            for (int r = 2; r <= 61; ++r)
                summary->querySubObject("Cells(int,int)", r, 6)
                    ->dynamicCall("SetFormulaR1C1(const QVariant&)", QStringLiteral("=RC[-4]*10"));
            summary->querySubObject("Range(const QString&)", QStringLiteral("F2:F61"))->setProperty("Locked", true);
            summary->dynamicCall("Protect(QVariant)", QStringLiteral("pw"));
            // Writing elsewhere leaves the protected sheet's formulas waiting...
            other->querySubObject("Cells(int,int)", 1, 1)->dynamicCall("SetValue(const QVariant&)", QStringLiteral("x"));
            // ...and reading them shows them calculated.
            QCOMPARE(summary->querySubObject("Cells(int,int)", 61, 6)->dynamicCall("Value()").toInt(), 610);

            // Saved right after the Protect, the sheet holds both.
            AutomationObject *again = sheets->querySubObject("Item(int)", 1);
            again->querySubObject("Cells(int,int)", 2, 2)->dynamicCall("SetFormulaR1C1(const QVariant&)", QStringLiteral("=1+1"));
            again->dynamicCall("Protect(QVariant)", QString());
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("waiting.xlsx"), 51).isValid());
        }
        const QByteArray first = packagePart(out.filePath("waiting.xlsx"), "xl/worksheets/sheet1.xml");
        QVERIFY(first.contains("<sheetProtection"));
        QVERIFY(first.contains(">1+1</f>"));
        const QByteArray summaryXml = packagePart(out.filePath("waiting.xlsx"), "xl/worksheets/sheet2.xml");
        QVERIFY(summaryXml.contains("<sheetProtection"));
        QVERIFY(summaryXml.contains(">B61*10</f>"));
    }

    // Lookups wait past a Select until saving, so that the office calculates
    // everything else without them; a read of any sheet still sees them, and
    // the file holds them, with their results, whether or not one was read.
    void lookupsWaitingPastASelectAreNeverLost()
    {
        const QString path = m_dir.filePath("lookups.xlsx");
        QVERIFY(makeWorkbook("striped", path, {"60"}));
        const QString lookup = QStringLiteral("=IF(VLOOKUP(RC1,Summary!R2C1:R61C5,COLUMN()-COLUMN(RC1)+1,0)=\"\",\"\","
                                              "VLOOKUP(RC1,Summary!R2C1:R61C5,COLUMN()-COLUMN(RC1)+1,0))");
        QTemporaryDir out;
        for (const bool readFirst : {true, false}) {
            const QString saved = out.filePath(readFirst ? "read.xlsx" : "unread.xlsx");
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *sheets = book->querySubObject("Sheets");
            sheets->dynamicCall("Add()");
            AutomationObject *looks = sheets->querySubObject("Item(int)", 1);
            AutomationObject *summary = sheets->querySubObject("Item(int)", 2);
            for (int r = 2; r <= 11; ++r) {
                looks->querySubObject("Cells(int,int)", r, 1)->dynamicCall("SetValue(const QVariant&)", QStringLiteral("K%1").arg(r + 9, 3, 10, QChar('0')));
                for (int c = 2; c <= 4; ++c)
                    looks->querySubObject("Cells(int,int)", r, c)->dynamicCall("SetFormulaR1C1(const QVariant&)", lookup);
            }
            looks->dynamicCall("Protect(QVariant)", QStringLiteral("pw"));
            summary->dynamicCall("Select()");
            if (readFirst) // K014 is on the summary's row 14
                QCOMPARE(looks->querySubObject("Cells(int,int)", 5, 3)->dynamicCall("Value()").toInt(), 28);
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", saved, 51).isValid());
            const QByteArray xml = packagePart(saved, "xl/worksheets/sheet1.xml");
            QVERIFY(xml.contains("<sheetProtection"));
            QCOMPARE(xml.count("VLOOKUP($A"), 2 * 30);
            // K020 is on row 20: B, C and D hold 20, 40 and 60.
            QVERIFY2(QRegularExpression(QStringLiteral("<c r=\"D11\"[^>]*><f[^<]*</f><v>60</v>")).match(QString::fromUtf8(xml)).hasMatch(),
                     xml.mid(xml.indexOf("r=\"D11\""), 400).constData());
        }
    }

    // Lookups the office stored as stand-ins: a second save, and any read
    // after the first, find them as formulas again.
    void lookupsStoodInAreFormulasAgainAtTheNextSave()
    {
        const QString path = m_dir.filePath("plain.xlsx");
        QStringList names;
        for (int i = 0; i < 20; ++i)
            names << QStringList{"East", "West"}.at(i % 2);
        QVERIFY(makeWorkbook("e2e-table", path, QStringList{"Summary", "1"} + names));
        const QString lookup = QStringLiteral("=IF(VLOOKUP(RC2,Summary!R2C2:R21C6,COLUMN()-COLUMN(RC2)+1,0)=\"\",\"\","
                                              "VLOOKUP(RC2,Summary!R2C2:R21C6,COLUMN()-COLUMN(RC2)+1,0))");
        QTemporaryDir out;
        QLoggingCategory::setFilterRules(QStringLiteral("sheetsplicer.office.info=true"));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lookups stored uncalculated as stand-ins"));
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        AutomationObject *sheets = book->querySubObject("Sheets");
        sheets->dynamicCall("Add()");
        AutomationObject *looks = sheets->querySubObject("Item(int)", 1);
        // The keys first: a write to the sheet sends the formulas waiting on it.
        for (int r = 2; r <= 21; ++r)
            looks->querySubObject("Cells(int,int)", r, 2)->dynamicCall("SetValue(const QVariant&)", QStringLiteral("K%1").arg(22 - r, 3, 10, QChar('0')));
        for (int r = 2; r <= 21; ++r)
            for (int c = 3; c <= 5; ++c)
                looks->querySubObject("Cells(int,int)", r, c)->dynamicCall("SetFormulaR1C1(const QVariant&)", lookup);
        looks->dynamicCall("Protect(QVariant)", QStringLiteral("pw"));
        const QString first = out.filePath("first.xlsx");
        const QString second = out.filePath("second.xlsx");
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", first, 51).isValid());
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", second, 51).isValid());
        // Row 5 looks up K017, the summary's row 18: 171, 172, 173.
        QCOMPARE(looks->querySubObject("Cells(int,int)", 5, 4)->dynamicCall("Value()").toInt(), 172);
        QLoggingCategory::setFilterRules(QString());
        for (const QString &file : {first, second}) {
            const QByteArray xml = packagePart(file, "xl/worksheets/sheet1.xml");
            QVERIFY(xml.contains("<sheetProtection"));
            QCOMPARE(xml.count("<f aca=\"false\">IF(VLOOKUP($B"), 60);
            QVERIFY2(QRegularExpression(QStringLiteral("<c r=\"E5\"[^>]*><f aca=\"false\">IF\\(VLOOKUP\\(\\$B5,[^<]*</f><v>173</v>"))
                         .match(QString::fromUtf8(xml)).hasMatch(),
                     xml.mid(xml.indexOf("r=\"E5\""), 400).constData());
        }
    }

    void savesLinksAndProtection()
    {
        const QString path = m_dir.filePath("save.xlsx");
        QVERIFY(makeWorkbook("categories", path));
        QTemporaryDir out;
        {
            Session s;
            AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
            AutomationObject *sheets = book->querySubObject("Sheets");
            sheets->dynamicCall("Add()");
            AutomationObject *index = sheets->querySubObject("Item(int)", 1);
            index->setProperty("Name", QString::fromUtf8("目录"));
            AutomationObject *links = index->querySubObject("Hyperlinks()");
            AutomationObject *cell = index->querySubObject("Range(const QVariant&)", QStringLiteral("A1"));
            cell->dynamicCall("SetValue(const QVariant&)", QStringLiteral("Summary"));
            links->dynamicCall("Add(const QVariant&,const QVariant&,const QVariant&)", cell->asVariant(), QString(),
                               QStringLiteral("Summary!A1"));
            AutomationObject *summary = sheets->querySubObject("Item(int)", 2);
            AutomationObject *range = summary->querySubObject("Range(const QVariant&)", QStringLiteral("C2:F8"));
            summary->querySubObject("Protection()")->querySubObject("AllowEditRanges()")
                ->dynamicCall("Add(QVariant,QVariant)", QStringLiteral("allowEditRange1"), range->asVariant());
            summary->dynamicCall("Protect(QVariant)", QStringLiteral("pw"));
            summary->dynamicCall("Select()");
            book->dynamicCall("Protect(const QString&)", QStringLiteral("structure"));
            const QString target = QDir::toNativeSeparators(out.filePath("save.xlsx"));
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", target, 51).isValid());
            book->dynamicCall("Close (Boolean)", false);
            QVERIFY(!book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("again.xlsx"), 51).isValid());
        }
        const QString saved = out.filePath("save.xlsx");
        const QByteArray workbook = packagePart(saved, "xl/workbook.xml");
        QVERIFY(workbook.contains("lockStructure=\"1\""));
        // The summary as the active sheet is checked by the job tests.
        const QByteArray summaryXml = packagePart(saved, "xl/worksheets/sheet2.xml");
        QVERIFY(summaryXml.contains("<sheetProtection"));
        QVERIFY2(summaryXml.contains("sqref=\"C2:F8\""), summaryXml.constData());
        const QByteArray indexXml = packagePart(saved, "xl/worksheets/sheet1.xml");
        QVERIFY2(indexXml.contains("location=\"Summary!A1\""), indexXml.constData());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"save.xlsx"});
        QVERIFY(QDir(m_dir.path()).entryList({".~lock*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    void aFailedSaveLeavesNothingBehind()
    {
        const QString path = m_dir.filePath("fail.xlsx");
        QVERIFY(makeWorkbook("categories", path));
        QTemporaryDir out;
        QDir(out.path()).mkdir("taken.xlsx");
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", path);
        QVERIFY(!book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("taken.xlsx"), 51).isValid());
        QVERIFY(!book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("no/such/folder/x.xlsx"), 51).isValid());
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"taken.xlsx"});
        // An existing result is replaced whole.
        QFile old(out.filePath("old.xlsx"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", out.filePath("old.xlsx"), 51).isValid());
        QVERIFY(QFileInfo(out.filePath("old.xlsx")).size() > 1000);
    }

    void readsTheProtectionOfSheetsAndStructure()
    {
        const QString locked = m_dir.filePath("locked.xlsx");
        const QString plain = m_dir.filePath("plain.xlsx");
        QVERIFY(makeWorkbook("protected", locked, {"sheet", "structure"}));
        QVERIFY(makeWorkbook("categories", plain));
        QTemporaryDir out;
        const QString xls = out.filePath("locked.xls");
        Session s;
        // As the file came: the office keeps the sheet's protection and
        // drops the structure's, which is read from the file.
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", locked);
        QVERIFY(book);
        QCOMPARE(book->querySubObject("WorkSheets(int)", 1)->property("ProtectContents"), QVariant(true));
        QCOMPARE(book->property("ProtectStructure"), QVariant(true));
        book->dynamicCall("Close (Boolean)", false);

        book = s.workbooks->querySubObject("Open(const QString&)", plain);
        QVERIFY(book);
        AutomationObject *summary = book->querySubObject("WorkSheets(int)", 1);
        QCOMPARE(summary->property("ProtectContents"), QVariant(false));
        QCOMPARE(book->property("ProtectStructure"), QVariant(false));
        // A Protect still waiting for the sheet's formulas counts, and so
        // does the workbook's own.
        summary->querySubObject("Cells(int,int)", 2, 7)->dynamicCall("SetFormulaR1C1(const QVariant&)", QStringLiteral("=RC[-4]*2"));
        summary->dynamicCall("Protect(QVariant)", QStringLiteral("pw"));
        QCOMPARE(summary->property("ProtectContents"), QVariant(true));
        book->dynamicCall("Protect(const QString&)", QStringLiteral("pw"));
        QCOMPARE(book->property("ProtectStructure"), QVariant(true));
        // The office writes an .xls with its structure locked, encrypted
        // under its default password, and keeps the lock when loading it.
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", xls, 56).isValid());
        book->dynamicCall("Close (Boolean)", false);
        book = s.workbooks->querySubObject("Open(const QString&)", xls);
        QVERIFY(book);
        QCOMPARE(book->property("ProtectStructure"), QVariant(true));
        QCOMPARE(book->querySubObject("WorkSheets(int)", 1)->property("ProtectContents"), QVariant(true));
    }

    void neverSavesOverItsSource()
    {
        QDir base(m_dir.path());
        QVERIFY(base.mkpath("src"));
        QVERIFY(QFile::link(base.filePath("src"), base.filePath("link")));
        const QString source = base.filePath("src/own.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const auto entries = [&]() {
            QStringList names = QDir(base.filePath("src")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            return names.filter(QRegularExpression("^(?!\\.~lock)"));
        };
        Session s;
        AutomationObject *book = s.workbooks->querySubObject("Open(const QString&)", source);
        QVERIFY(book);
        book->querySubObject("WorkSheets(int)", 1)->querySubObject("Cells(int,int)", 2, 3)
            ->dynamicCall("SetValue(const QVariant&)", QStringLiteral("changed"));
        for (const QString &target : {source, base.filePath("link/own.xlsx"), base.filePath("src/../src/own.xlsx"),
                                      base.filePath("link/../src/./own.xlsx")}) {
            QVERIFY2(!book->dynamicCall("SaveAs(const QString&, QVariant)", target, 51).isValid(), qPrintable(target));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll() == before, qPrintable(target));
            file.close();
            QCOMPARE(entries(), QStringList{"own.xlsx"});
        }
        // Beside it, under another name, the save goes ahead.
        QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", base.filePath("link/other.xlsx"), 51).isValid());
        QCOMPARE(entries(), (QStringList{"other.xlsx", "own.xlsx"}));
        // The source's place stays its own after the file has gone.
        QVERIFY(QFile::rename(source, base.filePath("moved.xlsx")));
        QVERIFY(!book->dynamicCall("SaveAs(const QString&, QVariant)", base.filePath("link/../src/own.xlsx"), 51).isValid());
        QCOMPARE(entries(), QStringList{"other.xlsx"});
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(LoBackendTest)
#include "lo_backend_test.moc"
