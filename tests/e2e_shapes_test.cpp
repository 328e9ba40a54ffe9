// Both jobs on the shapes summary tables really have: a table off A1, empty
// rows, records without a category, the user's other sheets, category values
// that cannot be sheet names as they stand, dates, and workbooks or options
// that must be refused. Every record is followed to the sheet it lands on.
#include "CellReference.h"
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString indexName = QString::fromUtf8("目录");

// One summary table and what the jobs must make of it.
struct Shape
{
    QString kind;                    // make_workbook.py kind, also the file's name
    QStringList options;             // the job's options besides --edit-range
    int headerEnd = 1;               // last row of the header block
    int categoryColumn = 1;
    QString editRange;
    QStringList sheets;              // every sheet of the result, in order
    QMap<QString, QString> renamed;  // category cell text -> its sheet, where they differ
    QStringList splitLines;          // when given: the splitting texts, in order
};

QString rowText(const QJsonObject &sheet, int row, int width)
{
    QStringList values;
    for (int column = 1; column <= width; ++column)
        values << valueText(sheet, a1ColumnName(column) + QString::number(row));
    return values.join(QLatin1Char('|'));
}

bool blankRow(const QString &text) { return text.count(QLatin1Char('|')) == text.size(); }

// Every row's text down to the last row that holds something.
QStringList rowsOf(const QJsonObject &sheet, int width)
{
    QStringList rows;
    for (int row = 1; row <= sheet.value("maxRow").toInt(); ++row)
        rows << rowText(sheet, row, width);
    while (!rows.isEmpty() && blankRow(rows.last()))
        rows.removeLast();
    return rows;
}

QStringList formulaCells(const QJsonObject &sheet)
{
    QStringList found;
    const QJsonObject cells = sheet.value("cells").toObject();
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        if (!it.value().toObject().value("formula").toString().isEmpty())
            found << it.key();
    }
    found.sort();
    return found;
}

QStringList blockCells(const QStringList &columns, int firstRow, const QList<int> &rows)
{
    QStringList cells;
    for (const int row : rows) {
        for (const QString &column : columns) {
            if (row >= firstRow)
                cells << column + QString::number(row);
        }
    }
    cells.sort();
    return cells;
}

// "address=value" of every filled cell, formulas shown as such.
QStringList contentOf(const QJsonObject &sheet)
{
    QStringList content;
    const QJsonObject cells = sheet.value("cells").toObject();
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const QJsonObject cell = it.value().toObject();
        if (!cell.value("formula").toString().isEmpty())
            content << it.key() + "=formula " + cell.value("formula").toString();
        else if (!cell.value("value").isNull())
            content << it.key() + (cell.value("value").isString() ? "='" : "=") + valueText(sheet, it.key());
    }
    content.sort();
    return content;
}

bool isProtected(const QJsonObject &sheet)
{
    const QString flag = sheet.value("sheetProtection").toObject().value("sheet").toString();
    return flag == QLatin1String("1") || flag == QLatin1String("true");
}

QStringList protectedRangesOf(const QJsonObject &sheet)
{
    QStringList ranges;
    for (const QJsonValue &range : sheet.value("protectedRanges").toArray())
        ranges << range.toObject().value("name").toString() + QLatin1Char(' ') + range.toObject().value("sqref").toString();
    return ranges;
}

// The sheet an internal hyperlink points at: "'O''Brien'!A1" -> "O'Brien".
QString linkTarget(const QString &location)
{
    QString sheet = location.left(location.lastIndexOf(QLatin1Char('!')));
    if (sheet.startsWith(QLatin1Char('\'')) && sheet.endsWith(QLatin1Char('\'')))
        sheet = sheet.mid(1, sheet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    return sheet;
}

// Formula cells anywhere in the workbook whose computed value is an error.
QStringList errorCells(const QJsonObject &book)
{
    static const QRegularExpression error(QStringLiteral("^(#[A-Z/0]+[!?]?|#N/A|Err:\\d+)$"));
    QStringList found;
    for (const QString &name : namesOf(book)) {
        const QJsonObject sheet = sheetOf(book, name);
        for (const QString &address : formulaCells(sheet)) {
            if (error.match(valueText(sheet, address)).hasMatch())
                found << name + "!" + address + " " + valueText(sheet, address);
        }
    }
    return found;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class E2eShapesTest : public E2eOfficeCase
{
    Q_OBJECT
private slots:
    void everyRecordLandsOnItsSheet_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<Shape>("shape");

        // Headers in B3:F3, categories in D, keys in C; rows 7 and 10 have no
        // category, row 14 holds the totals; notes, lists and an empty sheet
        // follow, and stay next to the summary, ahead of the category sheets.
        Shape offset{"offset", {"--column", "4", "--match-column", "3"}, 3, 4, "E4:F13",
                     {indexName, "Summary", "Notes", "Lists", "Sheet3", "North", "West", "East"}, {}, {}};

        // An empty row under the header and one among the records; values that
        // must be cleaned, shortened or told apart to become sheet names, and
        // that a filter would read as wildcards.
        const QString long1 = "Zhejiang-Hangzhou-Xihu-District-Office-1";
        const QString long2 = "Zhejiang-Hangzhou-Xihu-District-Office-2";
        Shape names{"names", {"--match-column", "2"}, 1, 1, "C2:D19",
                    {indexName, "Summary", "Notes", "a~c", "ac", "notes (2)", "summary (2)", "Zhejiang-Hangzhou-Xihu-Dist (2)",
                     "abc (2)", QString::fromUtf8("分类"), QString::fromUtf8("目录 (2)"), "Abc", "quoted",
                     "Zhejiang-Hangzhou-Xihu-District", "Q1 plan"},
                    {{"[Q1] plan", "Q1 plan"}, {long1, long1.left(31)}, {long2, long2.left(27) + " (2)"},
                     {"'quoted'", "quoted"}, {"abc", "abc (2)"}, {indexName, QString::fromUtf8("目录 (2)")},
                     {"???", QString::fromUtf8("分类")}, {"summary", "summary (2)"}, {"notes", "notes (2)"}, {"a*c", "ac"}},
                    {}};

        // Dates as categories, the header alone in row 5 under four empty rows.
        Shape dates{"dates", {"--header-rows", "1", "--match-column", "2"}, 5, 1, "C6:D11",
                    {indexName, "Summary", "2024-03-03", "2024-03-02", "2024-03-01"}, {}, {}};
        for (const QString day : {"2024-03-01", "2024-03-02", "2024-03-03"}) {
            dates.renamed.insert(day + "T00:00:00", day);
            dates.splitLines << QString::fromUtf8("正在拆分到：") + day;
        }

        for (const Shape &shape : {offset, names, dates}) {
            for (const char *job : {"classify", "link"})
                QTest::addRow("%s/%s", qPrintable(shape.kind), job) << QString(job) << shape;
        }
    }

    // Where every record of the summary ends up, what the summary and the
    // user's other sheets still hold, and the lookups between the sheets.
    void everyRecordLandsOnItsSheet()
    {
        QFETCH(QString, job);
        QFETCH(Shape, shape);
        const QString file = shape.kind + ".xlsx";
        QVERIFY(makeWorkbook(shape.kind, in(file)));
        const QJsonObject source = readWorkbook(in(file));
        const QByteArray before = fileBytes(in(file));

        const CliRun run = runCli(QStringList{job, in(file), out(), "--edit-range", shape.editRange} + shape.options);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
        QCOMPARE(entriesOf(out()), QStringList{file});
        QVERIFY2(fileBytes(in(file)) == before, "the source was changed");
        if (!shape.splitLines.isEmpty()) {
            const QStringList splitting = run.lines.filter(QRegularExpression(QString::fromUtf8("^正在拆分到：")));
            QCOMPARE(splitting, shape.splitLines);
        }

        const QJsonObject book = readWorkbook(out(file));
        QCOMPARE(namesOf(book), shape.sheets);
        const QStringList listed = shape.sheets.mid(1);
        const QJsonObject index = sheetOf(book, indexName);
        QStringList column, targets;
        for (int row = 1; row <= listed.size() + 1; ++row)
            column << valueText(index, QStringLiteral("A%1").arg(row));
        QCOMPARE(column, listed + QStringList{QString()});
        for (int row = 1; row <= listed.size(); ++row) {
            for (const QJsonValue &link : index.value("hyperlinks").toArray()) {
                if (link.toObject().value("ref").toString() == QStringLiteral("A%1").arg(row))
                    targets << linkTarget(link.toObject().value("location").toString());
            }
        }
        QCOMPARE(targets, listed);

        // The summary holds every row it held, values and all.
        const QString summaryName = shape.sheets.at(1);
        const QJsonObject sourceSummary = sheetOf(source, summaryName);
        const QJsonObject summary = sheetOf(book, summaryName);
        const int width = sourceSummary.value("maxColumn").toInt();
        const QStringList sourceRows = rowsOf(sourceSummary, width);
        QCOMPARE(rowsOf(summary, width), sourceRows);

        // Each category sheet: the header block, its records in summary
        // order, then whatever stands below the last category cell.
        const QString categoryLetters = a1ColumnName(shape.categoryColumn);
        int lastCategoryRow = 0;
        for (int row = shape.headerEnd + 1; row <= sourceRows.size(); ++row) {
            if (!valueText(sourceSummary, categoryLetters + QString::number(row)).isEmpty())
                lastCategoryRow = row;
        }
        QMap<QString, QStringList> expected;
        QStringList categorySheets;   // in order of first appearance
        QList<int> categorisedRows;
        for (int row = shape.headerEnd + 1; row <= lastCategoryRow; ++row) {
            const QString category = valueText(sourceSummary, categoryLetters + QString::number(row));
            if (category.isEmpty())
                continue;
            const QString sheet = shape.renamed.value(category, category);
            if (!categorySheets.contains(sheet))
                categorySheets << sheet;
            expected[sheet] << sourceRows.at(row - 1);
            categorisedRows << row;
        }
        std::reverse(categorySheets.begin(), categorySheets.end());
        // The category sheets come last, newest first.
        QCOMPARE(shape.sheets.mid(shape.sheets.size() - categorySheets.size()), categorySheets);
        for (const QString &name : categorySheets) {
            const QStringList rows = sourceRows.mid(0, shape.headerEnd) + expected.value(name)
                + sourceRows.mid(lastCategoryRow);
            QCOMPARE(rowsOf(sheetOf(book, name), width), rows);
        }

        // The user's other sheets: untouched, cell for cell.
        for (const QString &name : namesOf(source).mid(1)) {
            const QJsonObject sheet = sheetOf(book, name);
            QCOMPARE(contentOf(sheet), contentOf(sheetOf(source, name)));
            QVERIFY2(!isProtected(sheet) && protectedRangesOf(sheet).isEmpty(), qPrintable(name));
        }

        // The lookups: on the category sheets for classify, on the summary for link.
        const QRegularExpressionMatch range =
            QRegularExpression("^([A-Z]+)(\\d+):([A-Z]+)(\\d+)$").match(shape.editRange);
        QVERIFY(range.hasMatch());
        QStringList editColumns;
        for (int column = a1ColumnNumber(range.captured(1)); column <= a1ColumnNumber(range.captured(3)); ++column)
            editColumns << a1ColumnName(column);
        const int editTop = range.captured(2).toInt();
        QVERIFY(isProtected(summary));
        if (job == QLatin1String("classify")) {
            QCOMPARE(protectedRangesOf(summary), QStringList{"allowEditRange1 " + shape.editRange});
            QCOMPARE(formulaCells(summary), QStringList());
            for (const QString &name : categorySheets) {
                const QJsonObject sheet = sheetOf(book, name);
                QList<int> rows;
                for (int row = shape.headerEnd + 1; row <= shape.headerEnd + expected.value(name).size(); ++row)
                    rows << row;
                const QStringList cells = formulaCells(sheet);
                QCOMPARE(cells, blockCells(editColumns, editTop, rows));
                for (const QString &cell : cells) {
                    QVERIFY2(cellOf(sheet, cell).value("formula").toString().startsWith("=IF(VLOOKUP("),
                             qPrintable(name + "!" + cell));
                }
                QVERIFY2(isProtected(sheet), qPrintable(name));
            }
        } else {
            const QStringList cells = formulaCells(summary);
            QCOMPARE(cells, blockCells(editColumns, editTop, categorisedRows));
            for (const QString &cell : cells)
                QVERIFY2(cellOf(summary, cell).value("formula").toString().contains("VLOOKUP("), qPrintable(cell));
            for (const QString &name : categorySheets) {
                const QJsonObject sheet = sheetOf(book, name);
                QCOMPARE(formulaCells(sheet), QStringList());
                QVERIFY2(isProtected(sheet), qPrintable(name));
                QVERIFY2(protectedRangesOf(sheet).value(0).startsWith("allowEditRange1 "), qPrintable(name));
            }
        }
        const QStringList errors = errorCells(book);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(", ")));
    }

    void refusalsSaveNothing_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QStringList>("workbook");   // make_workbook.py kind and arguments
        QTest::addColumn<QString>("outdir");         // out, in, in/../in or link (a symlink to in)
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("how");            // only: the one line printed; last; contains: in the last line
        QTest::addColumn<QString>("text");

        const QStringList plain{"categories"};
        const QString sheetLocked = QString::fromUtf8("汇总表受工作表保护,请先撤销保护后再拆分!");
        const QString structureLocked = QString::fromUtf8("工作簿结构受保护,请先撤销保护后再拆分!");
        const QString rangeOverKeys = QString::fromUtf8("可编辑区域不能包含匹配列或分类列,请重新填写!");
        // It names a range the job would take: right of the key columns.
        const QString badRange = QString::fromUtf8("可编辑区域“abc”无效,请按B2:D200的格式填写(不能包含分类列和匹配列)!");
        const QString ownFolder = QString::fromUtf8("保存文件夹不能是原工作簿所在的文件夹,否则会覆盖原工作簿,请另选文件夹!");
        for (const char *job : {"classify", "link"}) {
            const QString j(job);
            QTest::addRow("protected summary/%s", job)
                << j << QStringList{"guarded", "sheet"} << "out" << QStringList{"--edit-range", "C2:D7"} << "last"
                << sheetLocked;
            QTest::addRow("locked structure/%s", job)
                << j << QStringList{"guarded", "structure"} << "out" << QStringList() << "last" << structureLocked;
            QTest::addRow("merged categories/%s", job)
                << j << QStringList{"guarded", "merged"} << "out" << QStringList() << "contains" << "A3:A5";
            // The split would turn the last record's category into an error;
            // the refusal names the formula.
            QTest::addRow("category from another row/%s", job)
                << j << QStringList{"guarded", "formulas"} << "out" << QStringList() << "last"
                << QString::fromUtf8("分类列中有公式(如A7),拆分后其值与汇总表不一致;请先将分类列转为数值后再拆分!");
            QTest::addRow("range over the category column/%s", job)
                << j << plain << "out" << QStringList{"--edit-range", "B2:E301", "--column", "3"} << "only" << rangeOverKeys;
            QTest::addRow("range over the match column/%s", job)
                << j << plain << "out" << QStringList{"--edit-range", "B2:F8", "--match-column", "2"} << "only"
                << rangeOverKeys;
            QTest::addRow("range abc/%s", job)
                << j << plain << "out" << QStringList{"--edit-range", "abc"} << "only" << badRange;
        }
        QTest::addRow("own folder/classify") << "classify" << plain << "in" << QStringList() << "only" << ownFolder;
        QTest::addRow("own folder via ../in/link") << "link" << plain << "in/../in" << QStringList() << "only" << ownFolder;
        QTest::addRow("own folder via a symlink/classify")
            << "classify" << plain << "link" << QStringList{"--edit-range", "C2:F8", "--match-column", "2"} << "only"
            << ownFolder;
    }

    // Refused jobs: the text that says why, exit 1, nothing written, the source unchanged.
    void refusalsSaveNothing()
    {
        QFETCH(QString, job);
        QFETCH(QStringList, workbook);
        QFETCH(QString, outdir);
        QFETCH(QStringList, options);
        QFETCH(QString, how);
        QFETCH(QString, text);
        const QString source = in("book.xlsx");
        QVERIFY(makeWorkbook(workbook.first(), source, workbook.mid(1)));
        const QByteArray before = fileBytes(source);
        QVERIFY(QFile::link(in(), casePath() + "/link"));
        const QString folder = outdir == QLatin1String("out") ? out() : casePath() + "/" + outdir;

        const CliRun run = runCli(QStringList{job, source, folder} + options);
        QVERIFY2(run.finished && run.exitCode == 1, qPrintable(run.describe()));
        if (how == QLatin1String("only"))
            QCOMPARE(run.lines, QStringList{text});
        else if (how == QLatin1String("last"))
            QCOMPARE(run.lastLine(), text);
        else
            QVERIFY2(run.lastLine().contains(text) && !run.lines.contains(success(job)), qPrintable(run.describe()));
        QCOMPARE(entriesOf(out()), QStringList());
        QCOMPARE(entriesOf(in()), QStringList{"book.xlsx"});
        QVERIFY2(fileBytes(source) == before, "the source was changed");
    }
};

QTEST_GUILESS_MAIN(E2eShapesTest)
#include "e2e_shapes_test.moc"
