// What the user had comes through the office's loading and saving on both
// jobs: the fonts of Chinese text, the frozen header row, built-in date
// formats, comment authors, workbook names, the user's other sheets with a
// total over two of them, and a macro project.
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QtTest>

namespace {

const QString indexName = QString::fromUtf8("目录");
const QString summaryName = QString::fromUtf8("汇总");

QString cellText(const QJsonObject &sheet, const QString &address, const char *field)
{
    return cellOf(sheet, address).value(QLatin1String(field)).toString();
}

} // namespace

class E2eRoundTripTest : public E2eOfficeCase
{
    Q_OBJECT

private slots:
    void chineseSummary_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("classify") << QStringLiteral("classify") << QStringList{};
        QTest::newRow("link") << QStringLiteral("link")
                              << QStringList{"--edit-range", "C2:E7", "--match-column", "2"};
    }

    // Every record on its region's sheet, and on the summary and on every
    // category sheet the fonts, the frozen row, the date formats and the
    // comment's author as the source has them; the user's sheets ahead of the
    // category sheets, so that their total over two sheets counts no other.
    void chineseSummary()
    {
        QFETCH(QString, job);
        QFETCH(QStringList, options);
        const QString file = QStringLiteral("chinese.xlsx");
        QVERIFY(makeWorkbook(QStringLiteral("chinese"), in(file)));
        const QJsonObject source = readWorkbook(in(file));
        const QJsonObject sourceSummary = sheetOf(source, summaryName);

        const CliRun run = runCli(QStringList{job, in(file), out()} + options);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
        const QJsonObject book = readWorkbook(out(file));

        const QStringList regions{QString::fromUtf8("北区"), QString::fromUtf8("南区"), QString::fromUtf8("西区"),
                                  QString::fromUtf8("东区")};
        QCOMPARE(namesOf(book), QStringList({indexName, summaryName, QString::fromUtf8("备注"),
                                             QString::fromUtf8("合计")}) + regions);
        const QJsonObject total = sheetOf(book, QString::fromUtf8("合计"));
        QCOMPARE(valueText(total, "A2"), QStringLiteral("3"));
        QCOMPARE(valueText(total, "A3"), QStringLiteral("615"));
        QCOMPARE(valueText(sheetOf(book, QString::fromUtf8("备注")), "A1"), QString::fromUtf8("说明"));
        for (const QJsonValue &name : book.value("localNames").toArray())
            QVERIFY2(!name.toObject().value("text").toString().contains("#REF!"),
                     qPrintable(name.toObject().value("name").toString()));

        // Each key -> the sheet it landed on; row 1 is the header everywhere.
        QMap<QString, QString> landed;
        for (const QString &sheetName : QStringList{summaryName} + regions) {
            const QJsonObject sheet = sheetOf(book, sheetName);
            QCOMPARE(sheet.value("frozenAt").toString(), QStringLiteral("A2"));
            for (const char *column : {"A", "B", "C", "D", "E"})
                QCOMPARE(cellText(sheet, QLatin1String(column) + QLatin1Char('1'), "font"), QString::fromUtf8("微软雅黑"));
            for (int row = 2; row <= sheet.value("maxRow").toInt(); ++row) {
                const QString key = valueText(sheet, QStringLiteral("B%1").arg(row));
                if (key.isEmpty())
                    continue;
                for (const char *column : {"A", "B", "C", "D", "E"})
                    QCOMPARE(cellText(sheet, QStringLiteral("%1%2").arg(column).arg(row), "font"), QString::fromUtf8("宋体"));
                QCOMPARE(cellText(sheet, QStringLiteral("C%1").arg(row), "numberFormat"), QStringLiteral("mm-dd-yy"));
                QCOMPARE(cellText(sheet, QStringLiteral("D%1").arg(row), "numberFormat"), QStringLiteral("m/d/yy h:mm"));
                QCOMPARE(cellText(sheet, QStringLiteral("B%1").arg(row), "commentAuthor"),
                         key == QLatin1String("K002") ? QString::fromUtf8("张三") : QString());
                if (sheetName == summaryName)
                    continue;
                QVERIFY2(!landed.contains(key), qPrintable(key));
                landed.insert(key, sheetName);
                QCOMPARE(valueText(sheet, QStringLiteral("A%1").arg(row)), sheetName);
            }
        }
        QMap<QString, QString> expected;
        for (int row = 2; row <= 7; ++row)
            expected.insert(valueText(sourceSummary, QStringLiteral("B%1").arg(row)),
                            valueText(sourceSummary, QStringLiteral("A%1").arg(row)));
        QCOMPARE(landed, expected);
    }

    // A package under an .xls name: the office writes no pane into the .xls
    // it makes of it, so the summary's frozen row would be lost. Refused, with
    // the reason on standard error and nothing saved.
    void frozenPaneAnXlsCannotKeep()
    {
        const QString file = QStringLiteral("chinese.xls");
        QVERIFY(makeWorkbook(QStringLiteral("chinese"), in(file)));
        const CliRun run = runCli({QStringLiteral("classify"), in(file), out()});
        QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), QString::fromUtf8("保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!"));
        QVERIFY2(run.errors.contains("has a pane an .xls result would lose"), qPrintable(run.errors));
        QCOMPARE(QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void macroProject_data()
    {
        QTest::addColumn<QString>("job");
        QTest::newRow("classify") << QStringLiteral("classify");
        QTest::newRow("link") << QStringLiteral("link");
    }

    // The source's macro project, byte for byte, and the application asked to
    // calculate on opening what only the project's functions can.
    void macroProject()
    {
        QFETCH(QString, job);
        const QString file = QStringLiteral("ExcelWithAttachments.xlsm");
        const QString corpus = QStringLiteral(SHEETSPLICER_CORPUS "/") + file;
        if (!QFile::exists(corpus))
            QSKIP("the shared workbooks are not beside the project");
        QVERIFY(QFile::copy(corpus, in(file)));
        const CliRun run = runCli({job, in(file), out()});
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
        const QJsonObject source = readWorkbook(in(file));
        const QJsonObject book = readWorkbook(out(file));
        QVERIFY(!source.value("vbaProject").toString().isEmpty());
        QCOMPARE(book.value("vbaProject").toString(), source.value("vbaProject").toString());
        QCOMPARE(book.value("calcPr").toObject().value("fullCalcOnLoad").toString(), QStringLiteral("1"));
        QVERIFY(book.value("contentTypes").toString().contains("macroEnabled"));
    }

    void xlsViewsAndMacros_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("locked");
        QTest::newRow("panes on the summary and another sheet") << "FormatChoiceTests.xls" << "Flags" << QString() << false;
        QTest::newRow("pane and macro project") << "59830.xls" << "Sheet1" << QString() << false;
        QTest::newRow("encrypted") << "59830.xls" << "Sheet1" << "pw" << false;
        // The office encrypts a locked .xls under its default password.
        QTest::newRow("structure locked") << "FormatChoiceTests.xls" << "Flags" << QString() << true;
    }

    // An .xls result: the office keeps views by sheet position, so the index
    // would take the summary's frozen header. Each sheet has its own source's
    // pane instead, each category sheet the summary's from the split, and
    // the macro project is the source's.
    void xlsViewsAndMacros()
    {
        QFETCH(QString, file);
        QFETCH(QString, summary);
        QFETCH(QString, password);
        QFETCH(bool, locked);
        const QString corpus = QStringLiteral(SHEETSPLICER_CORPUS "/") + file;
        if (!QFile::exists(corpus))
            QSKIP("the shared workbooks are not beside the project");
        QVERIFY(QFile::copy(corpus, in(file)));
        QStringList arguments{"classify", in(file), out()};
        if (!password.isEmpty())
            arguments << "--open-password" << password;
        if (locked)
            arguments << "--structure-password" << "lock";
        const CliRun run = runCli(arguments);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("classify"), qPrintable(run.describe()));
        QString result = out(file);
        if (!password.isEmpty() || locked) {
            result = in("decrypted.xls");
            QCOMPARE(decryptWorkbook(out(file), locked ? QStringLiteral("VelvetSweatshop") : password, result), 0);
        }

        const QJsonObject sourceFile = xlsViews(in(file));
        const QJsonObject resultFile = xlsViews(result);
        QCOMPARE(resultFile.value("macroProject"), sourceFile.value("macroProject"));
        QMap<QString, QJsonObject> source;
        for (const QJsonValue &view : sourceFile.value("sheets").toArray())
            source.insert(view.toObject().value("name").toString(), view.toObject());
        QVERIFY(source.value(summary).value("frozen").toBool());
        const QJsonArray summaryPane = source.value(summary).value("pane").toArray();
        const QJsonArray views = resultFile.value("sheets").toArray();
        QVERIFY(views.size() > 3);
        QCOMPARE(views.at(0).toObject().value("name").toString(), indexName);
        QVERIFY(!views.at(0).toObject().value("frozen").toBool());
        QVERIFY(views.at(0).toObject().value("pane").isNull());
        for (int i = 1; i < views.size(); ++i) {
            const QJsonObject view = views.at(i).toObject();
            const QString name = view.value("name").toString();
            if (source.contains(name)) {
                QCOMPARE(view.value("frozen"), source.value(name).value("frozen"));
                QCOMPARE(view.value("pane"), source.value(name).value("pane"));
                continue;
            }
            QVERIFY2(view.value("frozen").toBool(), qPrintable(name));
            const QJsonArray pane = view.value("pane").toArray();
            QCOMPARE(pane.at(0), summaryPane.at(0));
            QCOMPARE(pane.at(1), summaryPane.at(1));
            QCOMPARE(pane.at(2), summaryPane.at(1)); // the first row below the split
        }
    }
};

QTEST_GUILESS_MAIN(E2eRoundTripTest)
#include "e2e_roundtrip_test.moc"
