// Both jobs end to end: sheetsplicer-cli on a real office, the result read back
// by openpyxl. Sheets, index, split rows, lookup formulas and sheet protection.
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString summaryName = QStringLiteral("Summary");
const QStringList columns{"A", "B", "C", "D", "E", "F"};
const QStringList valueColumns{"C", "D", "E", "F"};

// Row number of `key` in column B of `sheet`, 0 when it is not there.
int rowOfKey(const QJsonObject &sheet, const QString &key)
{
    const int last = sheet.value("maxRow").toInt();
    for (int row = 1; row <= last; ++row) {
        if (valueText(sheet, QStringLiteral("B%1").arg(row)) == key)
            return row;
    }
    return 0;
}

// The values of columns A..F of one row, joined for readable comparisons.
QString rowText(const QJsonObject &sheet, int row)
{
    QStringList values;
    for (const QString &column : columns)
        values << valueText(sheet, column + QString::number(row));
    return values.join(QLatin1Char('|'));
}

// (ref, location) of every hyperlink of a sheet.
QStringList linksOf(const QJsonObject &sheet)
{
    QStringList links;
    for (const QJsonValue &link : sheet.value("hyperlinks").toArray()) {
        const QJsonObject attributes = link.toObject();
        links << attributes.value("ref").toString() + QLatin1Char(' ') + attributes.value("location").toString();
    }
    return links;
}

QStringList protectedRangesOf(const QJsonObject &sheet)
{
    QStringList ranges;
    for (const QJsonValue &range : sheet.value("protectedRanges").toArray()) {
        const QJsonObject attributes = range.toObject();
        ranges << attributes.value("name").toString() + QLatin1Char(' ') + attributes.value("sqref").toString();
    }
    return ranges;
}

bool isProtected(const QJsonObject &sheet)
{
    const QJsonObject protection = sheet.value("sheetProtection").toObject();
    return protection.value("sheet").toString() == QLatin1String("1")
        || protection.value("sheet").toString() == QLatin1String("true");
}

bool hasPasswordHash(const QJsonObject &sheet)
{
    const QJsonObject protection = sheet.value("sheetProtection").toObject();
    return !protection.value("password").toString().isEmpty() || !protection.value("hashValue").toString().isEmpty();
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

} // namespace

class E2eJobsTest : public E2eOfficeCase
{
    Q_OBJECT
private slots:
    void indexListsEverySheetAndLinksIt()
    {
        const QString source = in("regions.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        const QByteArray before = fileBytes(source);
        const CliRun run = runCli({"classify", source, out()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        const QStringList expectedLines{
            "excel OK!", "WorkBooks OK!", source + QString::fromUtf8(" 文件扫描中..."),
            QString::fromUtf8("正在自动分类,请耐心等待..."), QString::fromUtf8("正在拆分到：East"),
            QString::fromUtf8("正在拆分到：West"), QString::fromUtf8("正在拆分到：North"),
            QString::fromUtf8("正在保存：") + QDir(out()).filePath("regions.xlsx"),
            QString::fromUtf8("已保存：") + QDir(out()).filePath("regions.xlsx"), success("classify")};
        QCOMPARE(run.lines, expectedLines);
        QCOMPARE(QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"regions.xlsx"});
        QCOMPARE(fileBytes(source), before);

        const QJsonObject book = readWorkbook(out("regions.xlsx"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(),
                 (QStringList{QString::fromUtf8("目录"), summaryName, "North", "West", "East"}));
        const QJsonObject index = sheetOf(book, QString::fromUtf8("目录"));
        QCOMPARE(valueText(index, "A1"), summaryName);
        QCOMPARE(valueText(index, "A2"), QStringLiteral("North"));
        QCOMPARE(valueText(index, "A3"), QStringLiteral("West"));
        QCOMPARE(valueText(index, "A4"), QStringLiteral("East"));
        QCOMPARE(valueText(index, "A5"), QString());
        QCOMPARE(index.value("maxColumn").toInt(), 1);
        QStringList links = linksOf(index);
        links.sort();
        QCOMPARE(links, (QStringList{"A1 Summary!A1", "A2 North!A1", "A3 West!A1", "A4 East!A1"}));
        for (const QJsonValue &link : index.value("hyperlinks").toArray())
            QVERIFY2(!link.toObject().contains("id"), "an index link points outside the workbook");
        // Each entry looks like a link: the "Hyperlink" style underlines it.
        for (const char *address : {"A1", "A4"})
            QVERIFY2(cellOf(index, address).value("underlined").toBool(), qPrintable(address));

        // Without an editable range: plain copies, no formulas, nothing protected.
        const QJsonObject summary = sheetOf(book, summaryName);
        QCOMPARE(summary.value("maxRow").toInt(), 8);
        QCOMPARE(rowText(summary, 8), QStringLiteral("East|K007|71|72|73|74"));
        for (const QString &name : book.value("sheetNames").toVariant().toStringList()) {
            const QJsonObject sheet = sheetOf(book, name);
            QVERIFY2(!isProtected(sheet), qPrintable(name));
            QVERIFY2(protectedRangesOf(sheet).isEmpty(), qPrintable(name));
            QVERIFY2(formulaCells(sheet).isEmpty(), qPrintable(name));
        }
        QVERIFY(!book.value("workbookProtection").toObject().contains("lockStructure"));
        QCOMPARE(book.value("encrypted").toBool(), false);
    }

    void categorySheetsKeepHeaderRowsAndFormatting()
    {
        const QString source = in("three-headers.xlsx");
        QVERIFY(makeWorkbook("e2e-table", source, {summaryName, "3"}));
        const CliRun run = runCli({"link", source, out(), "--header-rows", "3"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), success("link"));

        const QJsonObject book = readWorkbook(out("three-headers.xlsx"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(),
                 (QStringList{QString::fromUtf8("目录"), summaryName, "North", "West", "East"}));
        const QJsonObject summary = sheetOf(book, summaryName);
        QCOMPARE(summary.value("maxRow").toInt(), 10);
        QCOMPARE(summary.value("merged").toVariant().toStringList(), QStringList{"A1:F1"});

        const QMap<QString, QStringList> keys{{"North", {"K003", "K005"}},
                                               {"West", {"K002", "K006"}},
                                               {"East", {"K001", "K004", "K007"}}};
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            const QJsonObject sheet = sheetOf(book, it.key());
            for (int row = 1; row <= 3; ++row)
                QCOMPARE(rowText(sheet, row), rowText(summary, row));
            QCOMPARE(sheet.value("merged").toVariant().toStringList(), QStringList{"A1:F1"});
            QCOMPARE(sheet.value("maxRow").toInt(), 3 + it.value().size());
            for (int i = 0; i < it.value().size(); ++i) {
                const int row = 4 + i;
                const int summaryRow = rowOfKey(summary, it.value().at(i));
                QVERIFY(summaryRow >= 4);
                QCOMPARE(rowText(sheet, row), rowText(summary, summaryRow));
                // The yellow fill of every other record travels with its row.
                const QString fill = cellOf(sheet, QStringLiteral("C%1").arg(row)).value("fill").toString();
                QCOMPARE(fill, cellOf(summary, QStringLiteral("C%1").arg(summaryRow)).value("fill").toString());
                QCOMPARE(fill.endsWith(QLatin1String("FFFF00")), (summaryRow - 4) % 2 == 0);
            }
        }
        QCOMPARE(cellOf(sheetOf(book, "East"), "C4").value("fill").toString().right(6), QStringLiteral("FFFF00"));
    }

    void aSingleCategoryKeepsEveryRow()
    {
        const QString source = in("single.xlsx");
        QVERIFY(makeWorkbook("e2e-table", source, {summaryName, "1", "Only", "Only", "Only", "Only"}));
        const CliRun run = runCli({"classify", source, out()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        const QJsonObject book = readWorkbook(out("single.xlsx"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(),
                 (QStringList{QString::fromUtf8("目录"), summaryName, "Only"}));
        const QJsonObject summary = sheetOf(book, summaryName);
        const QJsonObject only = sheetOf(book, "Only");
        QCOMPARE(only.value("maxRow").toInt(), 5);
        for (int row = 1; row <= 5; ++row)
            QCOMPARE(rowText(only, row), rowText(summary, row));
        QStringList links = linksOf(sheetOf(book, QString::fromUtf8("目录")));
        links.sort();
        QCOMPARE(links, (QStringList{"A1 Summary!A1", "A2 Only!A1"}));
    }

    void anEmptyCategoryColumnIsRefused()
    {
        const QString source = in("empty.xlsx");
        QVERIFY(makeWorkbook("empty-column", source));
        for (const QString &job : {QStringLiteral("classify"), QStringLiteral("link")}) {
            const CliRun run = runCli({job, source, out(), "--edit-range", "B2:C6"});
            QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
            QCOMPARE(run.lastLine(),
                     QString::fromUtf8("无法进行拆分!!! 因指定列中存在空单元格;请先删除该列的空单元格,"
                                       "或列出需拆分的项目,格式如：猪八戒<b>|</b>孙悟空<b>|</b>沙和尚"));
            QCOMPARE(run.lines.value(0), QStringLiteral("excel OK!"));
            QVERIFY(QDir(out()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
            QCOMPARE(officeProcesses(), 0);
            QVERIFY2(leftovers().isEmpty(), qPrintable(leftovers().join("; ")));
        }
    }

    // An editable range that names no block of the summary stops either job
    // before anything is saved.
    void anEditRangeThatNamesNoBlockSavesNothing()
    {
        const QString source = in("badrange.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        for (const QString &job : {QStringLiteral("classify"), QStringLiteral("link")}) {
            const CliRun run = runCli({job, source, out(), "--edit-range", "hello"});
            QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
            QCOMPARE(run.lastLine(),
                     QString::fromUtf8("可编辑区域“hello”无效,请按B2:D200的格式填写(不能包含分类列和匹配列)!"));
            QVERIFY(!run.lines.contains(success(job)));
            QVERIFY(QDir(out()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        }
    }

    // Classify: data go into the summary; every category sheet looks its rows up there.
    void classifyFormulasFollowTheSummary()
    {
        const QString source = in("classify.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        const CliRun run = runCli({"classify", source, out(), "--edit-range", "C2:F8", "--match-column", "2",
                                   "--sheet-password", "pw"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), success("classify"));

        const QJsonObject book = readWorkbook(out("classify.xlsx"));
        const QJsonObject summary = sheetOf(book, summaryName);
        QCOMPARE(protectedRangesOf(summary), QStringList{"allowEditRange1 C2:F8"});
        QVERIFY(isProtected(summary));
        QVERIFY(hasPasswordHash(summary));
        QVERIFY(formulaCells(summary).isEmpty());
        QCOMPARE(rowText(summary, 4), QStringLiteral("North|K003|31|32|33|34"));
        QVERIFY(!isProtected(sheetOf(book, QString::fromUtf8("目录"))));

        for (const QString &name : {QStringLiteral("North"), QStringLiteral("West"), QStringLiteral("East")}) {
            const QJsonObject sheet = sheetOf(book, name);
            const int last = sheet.value("maxRow").toInt();
            QVERIFY(last >= 3);
            QStringList expectedCells;
            for (int row = 2; row <= last; ++row) {
                const QString key = valueText(sheet, QStringLiteral("B%1").arg(row));
                const int summaryRow = rowOfKey(summary, key);
                QVERIFY2(summaryRow >= 2, qPrintable(name + " " + key));
                QVERIFY(cellOf(sheet, QStringLiteral("B%1").arg(row)).value("formula").toString().isEmpty());
                QCOMPARE(cellOf(sheet, QStringLiteral("B%1").arg(row)).value("hidden").toBool(), false);
                for (const QString &column : valueColumns) {
                    const QString address = column + QString::number(row);
                    expectedCells << address;
                    const QJsonObject cell = cellOf(sheet, address);
                    const QString formula = cell.value("formula").toString();
                    QVERIFY2(formula.startsWith(QLatin1String("=IF(VLOOKUP($B") + QString::number(row) + ",Summary!"),
                             qPrintable(name + "!" + address + " " + formula));
                    QCOMPARE(valueText(sheet, address), valueText(summary, column + QString::number(summaryRow)));
                    QVERIFY2(cell.value("locked").toBool() && cell.value("hidden").toBool(),
                             qPrintable(name + "!" + address));
                }
            }
            expectedCells.sort();
            QCOMPARE(formulaCells(sheet), expectedCells);
            QVERIFY2(isProtected(sheet), qPrintable(name));
            QVERIFY2(hasPasswordHash(sheet), qPrintable(name));
            QVERIFY(protectedRangesOf(sheet).isEmpty());
        }
    }

    // Link: data go into the category sheets; the summary looks every row up on
    // the sheet its category cell names.
    void linkFormulasFollowTheCategorySheets()
    {
        const QString source = in("link.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        const CliRun run = runCli({"link", source, out(), "--edit-range", "C2:F8", "--match-column", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), success("link"));

        const QJsonObject book = readWorkbook(out("link.xlsx"));
        const QJsonObject summary = sheetOf(book, summaryName);
        QVERIFY(isProtected(summary));
        QVERIFY(protectedRangesOf(summary).isEmpty());
        QStringList expectedCells;
        for (int row = 2; row <= 8; ++row) {
            const QString category = valueText(summary, QStringLiteral("A%1").arg(row));
            const QJsonObject sheet = sheetOf(book, category);
            const int sheetRow = rowOfKey(sheet, valueText(summary, QStringLiteral("B%1").arg(row)));
            QVERIFY2(sheetRow >= 2, qPrintable(category));
            for (const QString &column : valueColumns) {
                const QString address = column + QString::number(row);
                expectedCells << address;
                const QJsonObject cell = cellOf(summary, address);
                QVERIFY2(cell.value("formula").toString().contains(QLatin1String("INDIRECT(")),
                         qPrintable(address + " " + cell.value("formula").toString()));
                QCOMPARE(valueText(summary, address), valueText(sheet, column + QString::number(sheetRow)));
                QVERIFY(!valueText(summary, address).isEmpty());
                QVERIFY2(cell.value("locked").toBool() && cell.value("hidden").toBool(), qPrintable(address));
            }
        }
        expectedCells.sort();
        QCOMPARE(formulaCells(summary), expectedCells);

        // Each category sheet is open for editing down to its own last row,
        // and whole rows of the table below it for new records.
        const QMap<QString, int> usedRows{{"North", 3}, {"West", 3}, {"East", 4}};
        for (auto it = usedRows.begin(); it != usedRows.end(); ++it) {
            const QJsonObject sheet = sheetOf(book, it.key());
            QCOMPARE(sheet.value("maxRow").toInt(), it.value());
            QCOMPARE(protectedRangesOf(sheet), QStringList{QStringLiteral("allowEditRange1 C2:F%1 A%2:F%3")
                                                               .arg(it.value())
                                                               .arg(it.value() + 1)
                                                               .arg(it.value() + 200)});
            QVERIFY2(isProtected(sheet), qPrintable(it.key()));
            QVERIFY(formulaCells(sheet).isEmpty());
        }
    }

    // Sheet names that need quotes in a reference: the summary's, in the index
    // and in the category sheets' formulas, and the categories', in the index
    // and in the summary's INDIRECT lookups.
    void namesThatNeedQuotesStillLink()
    {
        const QString summaryTitle = QString::fromUtf8("2024 汇总");
        const QString source = in("quoted.xlsx");
        QVERIFY(makeWorkbook("e2e-table", source,
                             {summaryTitle, "1", "O'Brien", "Mary Ann", "a/b", "O'Brien", "a/b", "Mary Ann"}));
        const QStringList sheets{QString::fromUtf8("目录"), summaryTitle, "ab", "Mary Ann", "O'Brien"};
        const QStringList expectedLinks{QString::fromUtf8("A1 '2024 汇总'!A1"), "A2 ab!A1", "A3 'Mary Ann'!A1",
                                        "A4 'O''Brien'!A1"};

        const CliRun link = runCli({"link", source, out(), "--edit-range", "C2:F7", "--match-column", "2"});
        QVERIFY2(link.exitCode == 0, qPrintable(link.describe()));
        QJsonObject book = readWorkbook(out("quoted.xlsx"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(), sheets);
        QStringList links = linksOf(sheetOf(book, sheets.first()));
        links.sort();
        QCOMPARE(links, expectedLinks);
        QJsonObject summary = sheetOf(book, summaryTitle);
        for (int row = 2; row <= 7; ++row) {
            const QString category = valueText(summary, QStringLiteral("A%1").arg(row));
            const QJsonObject sheet = sheetOf(book, category == QLatin1String("a/b") ? QStringLiteral("ab") : category);
            const int sheetRow = rowOfKey(sheet, valueText(summary, QStringLiteral("B%1").arg(row)));
            QVERIFY2(sheetRow == 2 || sheetRow == 3, qPrintable(category));
            for (const QString &column : QStringList{"C", "F"})
                QCOMPARE(valueText(summary, column + QString::number(row)),
                         valueText(sheet, column + QString::number(sheetRow)));
        }

        QVERIFY(QFile::remove(out("quoted.xlsx")));
        const CliRun classify = runCli({"classify", source, out(), "--edit-range", "C2:F7", "--match-column", "2"});
        QVERIFY2(classify.exitCode == 0, qPrintable(classify.describe()));
        book = readWorkbook(out("quoted.xlsx"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(), sheets);
        links = linksOf(sheetOf(book, sheets.first()));
        links.sort();
        QCOMPARE(links, expectedLinks);
        summary = sheetOf(book, summaryTitle);
        QCOMPARE(protectedRangesOf(summary), QStringList{"allowEditRange1 C2:F7"});
        const QJsonObject brien = sheetOf(book, "O'Brien");
        for (int row = 2; row <= 3; ++row) {
            const int summaryRow = rowOfKey(summary, valueText(brien, QStringLiteral("B%1").arg(row)));
            QVERIFY(summaryRow >= 2);
            QVERIFY(!cellOf(brien, QStringLiteral("D%1").arg(row)).value("formula").toString().isEmpty());
            QCOMPARE(valueText(brien, QStringLiteral("D%1").arg(row)), valueText(summary, QStringLiteral("D%1").arg(summaryRow)));
        }
    }

    void theSummaryIsTheActiveSheet()
    {
        const QString source = in("active.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        for (const QStringList &job : {QStringList{"classify"}, QStringList{"link", "--edit-range", "C2:F8"}}) {
            const QString folder = out(job.first());
            QVERIFY(QDir().mkpath(folder));
            const CliRun run = runCli(QStringList{job.first(), source, folder} + job.mid(1));
            QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
            const QJsonObject book = readWorkbook(folder + "/active.xlsx");
            QCOMPARE(book.value("sheetNames").toVariant().toStringList().value(1), summaryName);
            QCOMPARE(book.value("activeTab").toInt(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(E2eJobsTest)
#include "e2e_jobs_test.moc"
