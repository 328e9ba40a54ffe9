// One workbook per category, end to end: where every record ended up, what
// each file still carries of the summary, what its package gives away, and
// that a refused or protected set is all or nothing.
#include "AutomationObject.h"
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QMap>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

// The "category-files" summary: key -> category, in summary order.
const QList<QPair<QString, QString>> records{{"K001", "East"}, {"K002", "West"}, {"K003", "North"},
                                             {"K004", "East"}, {"K005", "North"}, {"K006", "West"},
                                             {"K007", "East"}};

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QStringList keysOf(const QString &category)
{
    QStringList keys;
    for (const auto &record : records)
        if (record.second == category)
            keys << record.first;
    return keys;
}

// Every text a file holds, whatever part or stream it is in: the parts of
// a package unpacked, an .xls file's bytes read both as 8-bit and as UTF-16
// text (its two ways of storing strings); no NUL characters.
QString everyText(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(
        "import sys, zipfile\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "if data[:2] == b'PK':\n"
        "    z = zipfile.ZipFile(sys.argv[1])\n"
        "    text = ''.join(z.read(n).decode('utf-8', 'replace') for n in z.namelist())\n"
        "else:\n"
        "    text = data.decode('latin-1') + data.decode('utf-16-le', 'replace') + data[1:].decode('utf-16-le', 'replace')\n"
        "sys.stdout.buffer.write(text.replace('\\0', '').encode('utf-8', 'replace'))\n"), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return QString();
    return QString::fromUtf8(python.readAllStandardOutput());
}

// A sheet's rows as a fresh office computes them, each row's cells.
QList<QStringList> rowsOf(const QJsonObject &fresh, const QString &sheet)
{
    QList<QStringList> rows;
    for (const QJsonValue &row : fresh.value(sheet).toArray())
        rows << row.toVariant().toStringList();
    return rows;
}

} // namespace

class E2eCategoryFilesTest : public E2eOfficeCase
{
    Q_OBJECT

    // The summary in the format of `ending`, in the case's "in" folder.
    QString makeSource(const QString &ending, const QStringList &args = {})
    {
        const QString xlsx = in("sales.xlsx");
        if (!makeWorkbook("category-files", xlsx, args))
            return QString();
        if (ending == QLatin1String(".xlsx"))
            return xlsx;
        const QString converted = in("sales" + ending);
        // An .xls as an office of its own saves one, panes and all.
        if (ending == QLatin1String(".xls")) {
            const bool saved = saveAsXls(xlsx, converted);
            QFile::remove(xlsx);
            return saved ? converted : QString();
        }
        AutomationObject application;
        application.setControl(QStringLiteral("Excel.Application"));
        application.setProperty("DisplayAlerts", false);
        AutomationObject *workbooks = application.querySubObject("WorkBooks");
        AutomationObject *book = workbooks ? workbooks->querySubObject("Open(const QString&)", xlsx) : nullptr;
        const bool saved = book && book->dynamicCall("SaveAs(const QString&, QVariant)", converted, 52).isValid();
        if (book)
            book->dynamicCall("Close (Boolean)", false);
        application.dynamicCall("Quit(void)");
        QFile::remove(xlsx);
        return saved ? converted : QString();
    }

    // What every file of a finished set must show, whatever its format: its
    // category's records in summary order and no other's, the header above
    // them, a totals row over its own records only, and nothing in the
    // package that names another category's record.
    void checkSet(const QString &folder, const QString &ending, const QString &password = QString())
    {
        QCOMPARE(entriesOf(folder), QStringList({"East" + ending, "North" + ending, "West" + ending}));
        for (const QString &category : {QStringLiteral("East"), QStringLiteral("West"), QStringLiteral("North")}) {
            QString path = folder + "/" + category + ending;
            if (!password.isEmpty()) {
                QVERIFY(isCompoundFile(path));
                const QString plain = casePath() + "/plain-" + category + ending;
                QCOMPARE(decryptWorkbook(path, "wrong", plain), 3);
                QCOMPARE(decryptWorkbook(path, password, plain), 0);
                path = plain;
            }
            const QJsonObject fresh = freshOfficeSheets(path);
            QCOMPARE(fresh.keys(), QStringList{"Summary"});
            const QList<QStringList> rows = rowsOf(fresh, "Summary");
            QVERIFY2(rows.size() >= 3, qPrintable(category));
            QCOMPARE(rows.at(0).value(0), QStringLiteral("Sales by region"));
            QCOMPARE(rows.at(1).mid(0, 2), QStringList({"Region", "Key"}));
            QStringList keys;
            int quantity = 0;
            int amount = 0;
            int row = 2;
            for (; row < rows.size() && rows.at(row).value(1) != QLatin1String("Total"); ++row) {
                QCOMPARE(rows.at(row).value(0), category);
                keys << rows.at(row).value(1);
                const int number = rows.at(row).value(1).mid(1).toInt();
                QCOMPARE(rows.at(row).value(2).toInt(), number);
                // The amount still computes from its own row.
                QCOMPARE(rows.at(row).value(4).toInt(), number * number * 10);
                // The share, a value now, is this record's share of the whole
                // summary (1400): written after the split, into its own row.
                bool read = false;
                const double share = rows.at(row).value(5).toDouble(&read);
                QVERIFY2(read && qAbs(share - number * number * 10 / 1400.0) < 1e-9,
                         qPrintable(keys.last() + ": " + rows.at(row).value(5)));
                QCOMPARE(rows.at(row).value(6), "note-" + keys.last());
                quantity += number;
                amount += number * number * 10;
            }
            QCOMPARE(keys, keysOf(category));
            QVERIFY2(row < rows.size(), qPrintable(category + ": no totals row"));
            QCOMPARE(rows.at(row).value(2).toInt(), quantity);
            QCOMPARE(rows.at(row).value(4).toInt(), amount);
            // The totals row read the other sheet, which the file does not have.
            QCOMPARE(rows.at(row).value(6), QStringLiteral("notes-sheet-text"));

            const QString text = everyText(path);
            QVERIFY(text.contains(keys.first()));
            for (const auto &record : records) {
                if (record.second == category)
                    continue;
                for (const QString &leak : {record.first, "note-" + record.first, "comment-" + record.first})
                    QVERIFY2(!text.contains(leak), qPrintable(category + ending + " holds " + leak));
            }
        }
    }

private slots:
    void eachFormatGivesOneFilePerCategory_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("xlsx") << ".xlsx";
        QTest::newRow("xls") << ".xls";
        QTest::newRow("xlsm") << ".xlsm";
    }

    void eachFormatGivesOneFilePerCategory()
    {
        QFETCH(QString, ending);
        const QString source = makeSource(ending);
        QVERIFY(!source.isEmpty());
        const CliRun run = runCli({"files", source, out(), "--header-rows", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QVERIFY(run.lines.contains(QString::fromUtf8("正在生成第3/3个工作簿：North")));
        // Only the finished folder stands in the output folder.
        QCOMPARE(entriesOf(out()), QStringList{"sales"});
        QCOMPARE(run.lastLine(), QString::fromUtf8("成功生成分类工作簿3个,保存在：") + QDir::toNativeSeparators(out("sales")));
        checkSet(out("sales"), ending);
        if (ending == QLatin1String(".xls"))
            return;

        // What the package says of itself: the amount stays a formula of its
        // row, the share (which read every record) keeps only its value, the
        // comment stays with its record, the pane stays frozen.
        const QJsonObject west = readWorkbook(out("sales/West") + ending);
        QCOMPARE(namesOf(west), QStringList{"Summary"});
        const QJsonObject sheet = sheetOf(west, "Summary");
        QCOMPARE(cellOf(sheet, "E3").value("formula").toString(), QStringLiteral("=C3*D3"));
        QVERIFY(cellOf(sheet, "F3").value("formula").isNull());
        QCOMPARE(cellOf(sheet, "B3").value("comment").toString(), QStringLiteral("comment-K002"));
        QCOMPARE(sheet.value("frozenAt").toString(), QStringLiteral("A3"));
        if (ending == QLatin1String(".xlsm"))
            QVERIFY(west.value("contentTypes").toString().contains("sheet.macroEnabled.main+xml"));

        // A second run finds the name taken and takes the next.
        const CliRun again = runCli({"files", source, out(), "--header-rows", "2"});
        QVERIFY2(again.exitCode == 0, qPrintable(again.describe()));
        QCOMPARE(entriesOf(out()), QStringList({"sales", "sales (2)"}));
    }

    // The open password encrypts every file, the sheet password protects
    // each file's sheet.
    void passwordsProtectEveryFile_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("xlsx") << ".xlsx";
        QTest::newRow("xls") << ".xls";
    }

    void passwordsProtectEveryFile()
    {
        QFETCH(QString, ending);
        const QString source = makeSource(ending);
        QVERIFY(!source.isEmpty());
        const QString password = QString::fromUtf8("开 sesame");
        const CliRun run = runCli({"files", source, out(), "--header-rows", "2", "--open-password", password,
                                   "--sheet-password", "sheet"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        checkSet(out("sales"), ending, password);
        if (ending == QLatin1String(".xlsx")) {
            const QJsonObject east = readWorkbook(out("sales/East.xlsx"), password);
            const QJsonObject protection = sheetOf(east, "Summary").value("sheetProtection").toObject();
            QVERIFY(QStringList({"1", "true"}).contains(protection.value("sheet").toString()));
            QVERIFY(!protection.value("hashValue").toString().isEmpty() || !protection.value("password").toString().isEmpty());
        }
    }

    // Summaries as Excel makes them: a table goes with each file over its
    // own records, its calculated column still a formula; filter buttons
    // stay without their criteria, so that no file opens with its records
    // hidden, while a row hidden by hand stays hidden.
    void excelSummariesKeepTheirTableAndFilter()
    {
        const QString departments[] = {QString::fromUtf8("销售"), QString::fromUtf8("财务"), QString::fromUtf8("技术")};
        QVERIFY(makeWorkbook("excel-table", in("table.xlsx")));
        QVERIFY(makeWorkbook("excel-filtered", in("filtered.xlsx"), {"12", "some"}));
        for (const QString &name : {QStringLiteral("table"), QStringLiteral("filtered")}) {
            const CliRun run = runCli({"files", in(name + ".xlsx"), out()});
            QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
            for (int d = 0; d < 3; ++d) {
                const QJsonObject sheet = sheetOf(readWorkbook(out(name + "/" + departments[d] + ".xlsx")),
                                                  QString::fromUtf8("汇总"));
                for (int k = 0; k < 4; ++k)
                    QCOMPARE(valueText(sheet, QStringLiteral("B%1").arg(k + 2)),
                             QStringLiteral("K%1").arg(3 * k + d + 1, 3, 10, QLatin1Char('0')));
                QCOMPARE(valueText(sheet, "B6"), QString());
                if (name == QLatin1String("table")) {
                    const QJsonObject table = sheet.value("tables").toArray().at(0).toObject();
                    QCOMPARE(table.value("ref").toString(), QStringLiteral("A1:F5"));
                    QVERIFY(cellOf(sheet, "E2").value("formula").toString().contains("[#This Row]"));
                    continue;
                }
                QCOMPARE(sheet.value("autoFilter").toString(), QStringLiteral("A1:F5"));
                QCOMPARE(sheet.value("filterColumns").toInt(), 0);
                // K004, hidden by hand, is the second record of 销售.
                QCOMPARE(sheet.value("hiddenRows").toArray(), d == 0 ? QJsonArray{3} : QJsonArray());
            }
        }
    }

    // Ended by a signal between two files, the program leaves neither the
    // folder nor its hidden stand-in.
    void aTerminatedSetLeavesNothing()
    {
        const QString source = in("teams.xlsx");
        QVERIFY(makeWorkbook("dressed", source, {"200"}));
        QProcess cli;
        cli.start(QStringLiteral(SHEETSPLICER_CLI_PATH), {"files", source, out(), "--header-rows", "2"});
        QVERIFY(cli.waitForStarted());
        QByteArray seen;
        while (!seen.contains("正在生成第3/") && cli.waitForReadyRead(60000))
            seen += cli.readAllStandardOutput();
        QVERIFY2(seen.contains("正在生成第3/"), seen.constData());
        QVERIFY(!entriesOf(out()).isEmpty());
        cli.terminate();
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 128 + SIGTERM);
        QCOMPARE(entriesOf(out()), QStringList());
        // It says it was cancelled, not that its office went away.
        seen += cli.readAllStandardOutput();
        const QStringList lines = QString::fromUtf8(seen).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.last(), QString::fromUtf8("已取消,本次未生成文件。"));
        QVERIFY(!seen.contains("表格程序意外退出"));
    }

    // A record without a category would be in no file: the job refuses, and
    // neither a folder nor a hidden one is left.
    void aRefusedSetLeavesNothing()
    {
        const QString source = makeSource(".xlsx", {"5"});
        QVERIFY(!source.isEmpty());
        const CliRun run = runCli({"files", source, out(), "--header-rows", "2"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lastLine(), QString::fromUtf8("汇总表第5行有内容但分类列为空,无法分到任何一个工作簿;"
                                                   "请填写分类或删除该行后再拆分,本次未生成文件。"));
        QCOMPARE(entriesOf(out()), QStringList());

        // A result of the sheet split starts with its index: its own summary
        // is what the files are made from.
        const QString results = casePath() + "/results";
        QVERIFY(QDir().mkpath(results));
        const QString complete = makeSource(".xlsx");
        QVERIFY(runCli({"classify", complete, results, "--header-rows", "2"}).exitCode == 0);
        const CliRun fromResult = runCli({"files", results + "/sales.xlsx", out()});
        QCOMPARE(fromResult.exitCode, 1);
        QCOMPARE(fromResult.lastLine(), QString::fromUtf8("此工作簿是此前生成的汇总分类表,请用原来的汇总表来生成分类工作簿,本次未生成文件。"));
        QCOMPARE(entriesOf(out()), QStringList());

        // Options that belong to the sheet split are refused before anything runs.
        const CliRun wrong = runCli({"files", source, out(), "--edit-range", "C3:D9"});
        QCOMPARE(wrong.exitCode, 2);
        QCOMPARE(entriesOf(out()), QStringList());
    }
};

QTEST_GUILESS_MAIN(E2eCategoryFilesTest)
#include "e2e_category_files_test.moc"
