// Summaries as Excel makes them, end to end: a formatted table with a
// calculated column, filter buttons, a summary saved while filtered, comments
// on the records, and .xls results read by an office of its own. Every record
// is followed by its key to the sheet it lands on, with its computed cells.
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

const QString summaryName = QString::fromUtf8("汇总");
const QStringList departments{QString::fromUtf8("销售"), QString::fromUtf8("财务"), QString::fromUtf8("技术")};

// Record n (1-based) of the Excel-made summaries: its key, category, 数量,
// 单价 and 备注.
struct Record
{
    int n = 0;
    QString key() const { return QStringLiteral("K%1").arg(n, 3, 10, QLatin1Char('0')); }
    QString category() const { return departments.at((n - 1) % 3); }
    int quantity() const { return n; }
    int price() const { return 10 * n; }
    QString note() const { return QString::fromUtf8("备%1").arg(n); }
};

// The records of one category in summary order; all of them for no category.
QList<Record> recordsOf(const QString &category, int count)
{
    QList<Record> records;
    for (int n = 1; n <= count; ++n) {
        if (category.isNull() || Record{n}.category() == category)
            records << Record{n};
    }
    return records;
}

// Row of each key on a sheet (keys in column B under one header row).
QHash<QString, int> rowsByKey(const QJsonObject &sheet)
{
    QHash<QString, int> rows;
    for (int row = 2; row <= sheet.value("maxRow").toInt(); ++row) {
        const QString key = valueText(sheet, QStringLiteral("B%1").arg(row));
        if (!key.isEmpty())
            rows.insert(key, row);
    }
    return rows;
}

QStringList tableNames(const QJsonObject &sheet)
{
    QStringList names;
    for (const QJsonValue &table : sheet.value("tables").toArray())
        names << table.toObject().value("name").toString();
    return names;
}

// A cell of a fresh office's reading: row and column 1-based.
QString freshCell(const QJsonObject &sheets, const QString &sheet, int row, int column)
{
    return sheets.value(sheet).toArray().at(row - 1).toArray().at(column - 1).toString();
}

} // namespace

class E2eExcelTest : public E2eOfficeCase
{
    Q_OBJECT
private slots:
    void tableRecordsComputeFromTheirOwnRows_data()
    {
        QTest::addColumn<QString>("job");
        QTest::newRow("classify") << "classify";
        QTest::newRow("link") << "link";
    }

    // A summary formatted as a table whose 金额 is the calculated column
    // [@数量]*[@单价]: on every sheet each record's 金额 is its own 数量 times
    // its own 单价, in the stored values and in a fresh office; each category
    // sheet has a table of its own over its records, in the summary's style;
    // the comments stay with their records' cells.
    void tableRecordsComputeFromTheirOwnRows()
    {
        QFETCH(QString, job);
        const int count = 12;
        QVERIFY(makeWorkbook("excel-table", in("table.xlsx"), {QString::number(count)}));
        const CliRun run = runCli({job, in("table.xlsx"), out(), "--edit-range", "C2:D13", "--match-column", "2"});
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));

        const QJsonObject book = readWorkbook(out("table.xlsx"));
        const QJsonObject fresh = freshOfficeSheets(out("table.xlsx"));
        QStringList wrong;
        const QStringList sheets = QStringList{summaryName} + departments;
        for (const QString &name : sheets) {
            const QJsonObject sheet = sheetOf(book, name);
            const QHash<QString, int> rows = rowsByKey(sheet);
            const QList<Record> records = recordsOf(name == summaryName ? QString() : name, count);
            if (rows.size() != records.size())
                wrong << name + QStringLiteral(": %1 records").arg(rows.size());
            // Its own table, over the header and its records, in the summary's style.
            const QJsonArray tables = sheet.value("tables").toArray();
            const QJsonObject table = tables.first().toObject();
            if (tables.size() != 1 || table.value("ref").toString() != QStringLiteral("A1:F%1").arg(records.size() + 1)
                || table.value("style").toString() != QLatin1String("TableStyleMedium2"))
                wrong << name + ": tables " + QString::fromUtf8(QJsonDocument(tables).toJson(QJsonDocument::Compact));
            for (const Record &record : records) {
                const int row = rows.value(record.key());
                if (row == 0) {
                    wrong << name + ": no " + record.key();
                    continue;
                }
                const QString amount = QString::number(record.quantity() * record.price());
                const QJsonObject cell = cellOf(sheet, QStringLiteral("E%1").arg(row));
                if (valueText(sheet, QStringLiteral("E%1").arg(row)) != amount)
                    wrong << name + "!" + record.key() + " stored " + valueText(sheet, QStringLiteral("E%1").arg(row));
                if (freshCell(fresh, name, row, 5) != amount)
                    wrong << name + "!" + record.key() + " fresh " + freshCell(fresh, name, row, 5);
                // The formula names a table of its own sheet.
                const QString formula = cell.value("formula").toString();
                if (!formula.startsWith(QLatin1Char('=') + tableNames(sheet).value(0) + QLatin1Char('[')))
                    wrong << name + "!" + record.key() + " " + formula;
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 12).join("\n")));

        // Comments on C5 (K004), D9 (K008) and F4 (K003) of the summary, two
        // of them in the editable block: with their record wherever it is.
        const struct { int n; QString column; QString text; } comments[] = {
            {4, "C", QString::fromUtf8("数量待核")}, {8, "D", QString::fromUtf8("单价已调")}, {3, "F", QString::fromUtf8("备注说明")}};
        for (const auto &comment : comments) {
            const Record record{comment.n};
            for (const QString &name : {summaryName, record.category()}) {
                const QJsonObject sheet = sheetOf(book, name);
                const QString address = comment.column + QString::number(rowsByKey(sheet).value(record.key()));
                QVERIFY2(cellOf(sheet, address).value("comment").toString().contains(comment.text),
                         qPrintable(name + "!" + address + " has no comment " + comment.text));
            }
        }
    }

    void filterButtonsComeWithTheRecords_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("criteria");
        for (const char *job : {"classify", "link"}) {
            QTest::addRow("%s, no criteria", job) << QString(job) << "none";
            QTest::addRow("%s, saved while filtered", job) << QString(job) << "some";
        }
    }

    // A summary with filter buttons: every category sheet gets the same
    // buttons over its own records, without criteria. Saved while filtered
    // (only 销售 and 技术 shown, K004 hidden by hand), the summary keeps its
    // filter as it was; on the category sheets only K004 stays hidden.
    void filterButtonsComeWithTheRecords()
    {
        QFETCH(QString, job);
        QFETCH(QString, criteria);
        const int count = 12;
        QVERIFY(makeWorkbook("excel-filtered", in("filtered.xlsx"), {QString::number(count), criteria}));
        const CliRun run = runCli({job, in("filtered.xlsx"), out(), "--edit-range", "C2:D13", "--match-column", "2"});
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));

        const QJsonObject book = readWorkbook(out("filtered.xlsx"));
        const QJsonObject summary = sheetOf(book, summaryName);
        QCOMPARE(summary.value("autoFilter").toString(), QStringLiteral("A1:F13"));
        const bool filtered = criteria == QLatin1String("some");
        QCOMPARE(summary.value("filterColumns").toInt(), filtered ? 1 : 0);
        const QVariantList summaryHidden = filtered ? QVariantList{3, 5, 6, 9, 12} : QVariantList{};
        QCOMPARE(summary.value("hiddenRows").toArray().toVariantList(), summaryHidden);
        for (const QString &name : departments) {
            const QJsonObject sheet = sheetOf(book, name);
            const QList<Record> records = recordsOf(name, count);
            QCOMPARE(rowsByKey(sheet).size(), records.size());
            QCOMPARE(sheet.value("autoFilter").toString(), QStringLiteral("A1:F%1").arg(records.size() + 1));
            QCOMPARE(sheet.value("filterColumns").toInt(), 0);
            QVariantList hidden;
            if (filtered && name == Record{4}.category())
                hidden << rowsByKey(sheet).value(Record{4}.key());
            QCOMPARE(sheet.value("hiddenRows").toArray().toVariantList(), hidden);
        }
    }

    // A sheet of the user's protected with a password of its own: the job
    // says nothing on standard error, even with the program's information
    // shown, and the cells keep their Chinese fonts.
    void aSheetTheUserProtectedKeepsTheJobQuiet()
    {
        QVERIFY(makeWorkbook("chinese", in("zh.xlsx"), {"protected"}));
        for (const char *job : {"classify", "link"}) {
            const QString folder = casePath() + "/" + job;
            QVERIFY(QDir().mkpath(folder));
            CliRun run = runCli({job, in("zh.xlsx"), folder, "--edit-range", "C2:E7", "--match-column", "2"});
            QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
            QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));
            qputenv("QT_LOGGING_RULES", "sheetsplicer.*.info=true");
            run = runCli({job, in("zh.xlsx"), folder, "--edit-range", "C2:E7", "--match-column", "2"});
            qunsetenv("QT_LOGGING_RULES");
            QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
            QVERIFY2(!run.errors.contains(QLatin1String("office call")), qPrintable(run.errors));
            const QJsonObject book = readWorkbook(folder + "/zh.xlsx");
            QCOMPARE(cellOf(sheetOf(book, QString::fromUtf8("东区")), "B2").value("font").toString(),
                     QString::fromUtf8("宋体"));
        }
    }

    void xlsLinkResultsOpenRightInAFreshOffice_data()
    {
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("password");
        const QStringList plain{"East", "West", "North", "East", "North", "West", "East"};
        QTest::newRow("plain") << plain << QString();
        QTest::newRow("quoted sheet names") << QStringList{"1班", "O'Brien", "1班", "Q1 plan", "O'Brien", "1班", "Q1 plan"}
                                            << QString();
        QTest::newRow("with an open password") << plain << QStringLiteral("pw");
    }

    // A link result saved as .xls, opened by a LibreOffice with its own
    // defaults, computes what the job stored: every summary record's values
    // from its category sheet, no #REF!.
    void xlsLinkResultsOpenRightInAFreshOffice()
    {
        QFETCH(QStringList, categories);
        QFETCH(QString, password);
        QVERIFY(makeWorkbook("categories", in("regions.xlsx"), QStringList{"1"} + categories));
        QVERIFY(saveAsXls(in("regions.xlsx"), in("regions.xls")));
        QStringList options{"link", in("regions.xls"), out(), "--edit-range", "C2:F8", "--match-column", "2"};
        if (!password.isEmpty())
            options << "--open-password" << password;
        const CliRun run = runCli(options);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("link"), qPrintable(run.describe()));

        QString result = out("regions.xls");
        if (!password.isEmpty()) {
            result = casePath() + "/clear.xls";
            QCOMPARE(decryptWorkbook(out("regions.xls"), password, result), 0);
        }
        const QJsonObject stored = xlsFormulaResults(result, 1);
        const QJsonObject fresh = freshOfficeSheets(result);
        QStringList wrong;
        for (int row = 2; row <= 8; ++row) {
            for (int column = 3; column <= 6; ++column) {
                const QString address = QString(QChar('A' + column - 1)) + QString::number(row);
                const QString expected = QString::number((row - 1) * 10 + (column - 2));
                const QString computed = freshCell(fresh, "Summary", row, column);
                if (computed != expected || stored.value(address).toDouble() != expected.toDouble())
                    wrong << address + " fresh " + computed + " stored " + stored.value(address).toVariant().toString();
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 8).join(", ")));
    }

    void xlsResultsStoreTextResults_data()
    {
        QTest::addColumn<QStringList>("passwords");
        QTest::newRow("no passwords") << QStringList();
        QTest::newRow("sheet and structure passwords")
            << QStringList{"--sheet-password", "s1", "--structure-password", "w2"};
    }

    // Every stored value of an .xls result is what its formula computes: the
    // category sheets' lookups of the text column 备注, and the text formulas
    // the source brought (its 金额 column here gives a text for each record).
    void xlsResultsStoreTextResults()
    {
        QFETCH(QStringList, passwords);
        const int count = 9;
        QVERIFY(makeWorkbook("excel-filtered", in("notes.xlsx"), {QString::number(count), "none", "text"}));
        QVERIFY(saveAsXls(in("notes.xlsx"), in("notes.xls")));
        const CliRun run = runCli(QStringList{"classify", in("notes.xls"), out(), "--edit-range", "C2:F10",
                                              "--match-column", "2"} + passwords);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("classify"), qPrintable(run.describe()));
        QString result = out("notes.xls");
        if (!passwords.isEmpty()) {
            // A locked structure comes encrypted under the format's default password.
            result = casePath() + "/clear.xls";
            QCOMPARE(decryptWorkbook(out("notes.xls"), "VelvetSweatshop", result), 0);
        }
        QStringList wrong;
        // Sheets: 目录, 汇总, then the categories as the index lists them.
        const QJsonObject summary = xlsFormulaResults(result, 1);
        for (int n = 1; n <= count; ++n) {
            const QString address = QStringLiteral("E%1").arg(n + 1);
            if (summary.value(address).toString() != Record{n}.key() + "x")
                wrong << "summary " + address + "=" + summary.value(address).toVariant().toString();
        }
        for (int sheet = 2; sheet <= 4; ++sheet) {
            const QJsonObject results = xlsFormulaResults(result, sheet);
            QStringList notes;
            for (int row = 2; row <= count / 3 + 1; ++row)
                notes << results.value(QStringLiteral("F%1").arg(row)).toString();
            const QString first = notes.value(0);
            const int n = first.mid(1).toInt();
            QStringList expected;
            for (const Record &record : recordsOf(Record{n > 0 ? n : 1}.category(), count))
                expected << record.note();
            if (notes != expected)
                wrong << QStringLiteral("sheet %1: ").arg(sheet) + notes.join(",");
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
    }
};

QTEST_GUILESS_MAIN(E2eExcelTest)
#include "e2e_excel_test.moc"
