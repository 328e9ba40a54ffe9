// The backend's bulk paths (values read in blocks, formulas gathered and
// written per block, tall blocks filled down with their formatting put back)
// must not change what is saved: each job's result equals the one made with
// every read and write sent to the office cell by cell. Likewise, category
// sheets made in side documents give the file that making them in the
// workbook itself gives, part for part.
#include "e2e_Cli.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One run of the command line with `variables` set for it alone.
CliRun runWith(const QStringList &arguments, const QMap<QByteArray, QByteArray> &variables)
{
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        qputenv(it.key(), it.value());
    const CliRun run = runCli(arguments);
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        qunsetenv(it.key());
    return run;
}

const QByteArray kOfficeLog = "QT_LOGGING_RULES";
const QByteArray kOfficeInfo = "sheetsplicer.office.info=true";

// One split of `path` into `out`, the office's log on and `switchedOff`
// (when given) set to 0; what the run said, and its file's parts and cells.
struct Split
{
    CliRun run;
    QJsonObject parts;
    QJsonObject book;
};
Split splitInto(const QString &job, const QString &path, const QString &out, const QStringList &options,
                const QByteArray &switchedOff)
{
    QDir().mkpath(out);
    QMap<QByteArray, QByteArray> variables{{kOfficeLog, kOfficeInfo}};
    if (!switchedOff.isEmpty())
        variables.insert(switchedOff, "0");
    Split split;
    split.run = runWith(QStringList{job, path, out} + options, variables);
    const QString saved = out + QLatin1Char('/') + QFileInfo(path).fileName();
    split.parts = partDigests(saved);
    split.book = readWorkbook(saved);
    return split;
}

// `source` made into `fileName` and split twice, as usual and with
// `switchedOff` set to 0.
bool splitTwice(const QString &job, const QStringList &source, const QString &fileName, const QStringList &options,
                const QByteArray &switchedOff, Split (&splits)[2])
{
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (!makeWorkbook(source.first(), path, source.mid(1)))
        return false;
    for (int off = 0; off < 2; ++off)
        splits[off] = splitInto(job, path, dir.filePath(QStringLiteral("out%1").arg(off)), options,
                                off ? switchedOff : QByteArray());
    return true;
}

// The parts that differ between two files' digests, or that one lacks, but for `allowed`.
QStringList partsDiffering(const QJsonObject &a, const QJsonObject &b, const QString &allowed = QString())
{
    QStringList differing;
    for (const QString &part : a.keys() + b.keys())
        if (part != allowed && a.value(part) != b.value(part) && !differing.contains(part))
            differing << part;
    return differing;
}

} // namespace

class E2eBufferingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_temp.install()); }

    void bulkAndCellByCellSaveTheSame_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QStringList>("source"); // the kind to make and its arguments
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("sheets");
        // Whether the lookups' results are written by the job (1) or
        // calculated by the office (0); -1 either.
        QTest::addColumn<int>("known");
        // Rows of formatting that changes from row to row, and a category
        // column with enough rows a category for the copies to come from the
        // grouped source; every category sheet gets a tall block too.
        const QStringList tall{"striped", "660", "categories"};
        const QStringList lookups{"--edit-range", "B2:E61", "--sheet-password", "pw"};
        QTest::newRow("classify") << "classify" << tall << lookups << 5 << 0;
        QTest::newRow("link") << "link" << tall << lookups << 5 << -1;
        // A category's few runs of rows among the others', with formulas on
        // their own row, on a fixed block and on the row above: the runs
        // kept are moved up rather than sorted.
        QTest::newRow("classify, few runs") << "classify" << QStringList{"striped", "60", "categories"} << lookups << 5 << 0;
        // Two rows a category far apart, on a summary dressed for print.
        QTest::newRow("classify, two rows a category")
            << "classify" << QStringList{"dressed", "12"} << QStringList{"--header-rows", "2"} << 15 << -1;
        // Hidden rows among them stay hidden with their records.
        QTest::newRow("classify, two rows a category, rows hidden")
            << "classify" << QStringList{"dressed", "12", "hidden"} << QStringList{"--header-rows", "2"} << 15 << -1;
        // What a row carries besides its cells stays with its records: moving
        // or sorting cells would leave a height, a page break or an outline
        // group behind.
        QTest::newRow("classify, rows of different heights")
            << "classify" << QStringList{"row-layout", "heights"} << QStringList{} << 14 << -1;
        QTest::newRow("classify, a page break") << "classify" << QStringList{"row-layout", "break"} << QStringList{} << 14 << -1;
        QTest::newRow("classify, grouped rows") << "classify" << QStringList{"row-layout", "outline"} << QStringList{} << 14 << -1;
        // Formulas in every record's cells, few records a category.
        QTest::newRow("classify, formulas, rows 30 pt high")
            << "classify" << QStringList{"costing", "60", "12", "tall"}
            << QStringList{"--header-rows", "2", "--edit-range", "C3:C62", "--match-column", "2", "--sheet-password", "pw"}
            << 14 << -1;
        QTest::newRow("classify, grouped rows closed")
            << "classify" << QStringList{"row-layout", "outline", "closed"} << QStringList{} << 14 << -1;
        // Lookups whose results are hard to write back; keys the office could
        // match otherwise, and a formula reading cells by text, leave them
        // to the office.
        const QStringList keyed{"--edit-range", "C2:E8", "--match-column", "2", "--sheet-password", "pw"};
        QTest::newRow("classify, lookups written back")
            << "classify" << QStringList{"lookup-keys", "unique"} << keyed << 5 << 1;
        QTest::newRow("classify, keys alike but for case")
            << "classify" << QStringList{"lookup-keys", "case"} << keyed << 5 << 0;
        QTest::newRow("classify, a key with a wildcard")
            << "classify" << QStringList{"lookup-keys", "wildcard"} << keyed << 5 << 0;
        QTest::newRow("classify, a formula reading by text")
            << "classify" << QStringList{"lookup-keys", "indirect"} << keyed << 6 << 0;
    }
    void bulkAndCellByCellSaveTheSame()
    {
        QFETCH(QString, job);
        QFETCH(QStringList, source);
        QFETCH(QStringList, options);
        QFETCH(int, sheets);
        QFETCH(int, known);
        QTemporaryDir dir;
        const QString path = dir.filePath("summary.xlsx");
        QVERIFY(makeWorkbook(source.first(), path, source.mid(1)));
        QJsonObject saved[2];
        for (int unbuffered = 0; unbuffered < 2; ++unbuffered) {
            const QString out = dir.filePath(QStringLiteral("out%1").arg(unbuffered));
            QVERIFY(QDir().mkpath(out));
            const CliRun run = runWith(QStringList{job, path, out} + options,
                                       unbuffered ? QMap<QByteArray, QByteArray>{{"SHEETSPLICER_UNBUFFERED", "1"}}
                                                  : QMap<QByteArray, QByteArray>{{kOfficeLog, kOfficeInfo}});
            QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
            if (!unbuffered && known >= 0)
                QVERIFY2(run.errors.contains(known ? "lookups stored uncalculated" : "lookups left to the office"),
                         qPrintable(run.errors));
            saved[unbuffered] = readWorkbook(out + "/summary.xlsx");
            QVERIFY(!saved[unbuffered].isEmpty());
        }
        QCOMPARE(saved[0].value("sheetNames").toVariant().toStringList().size(), sheets);
        if (source == QStringList{"row-layout", "heights"}) {
            // The record on the 40 pt row with two lines of text, first on its sheet.
            const QJsonObject team = saved[0].value("sheets").toObject().value("Team 05").toObject();
            QCOMPARE(team.value("cells").toObject().value("B2").toObject().value("value").toString(), QString("K005"));
            // As the office rounds them: 40 pt comes back as 39.75.
            const QJsonObject heights = team.value("rowHeights").toObject();
            QVERIFY2(qAbs(heights.value("2").toDouble() - 40) < 0.5, qPrintable(QJsonDocument(heights).toJson()));
            QVERIFY2(qAbs(heights.value("3").toDouble() - 33) < 0.5, qPrintable(QJsonDocument(heights).toJson()));
        }
        const QByteArray bulk = QJsonDocument(saved[0]).toJson();
        const QByteArray cellByCell = QJsonDocument(saved[1]).toJson();
        if (bulk != cellByCell) {
            QFile a(dir.filePath("bulk.json")), b(dir.filePath("cells.json"));
            QVERIFY(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
            a.write(bulk);
            b.write(cellByCell);
            a.close();
            b.close();
            dir.setAutoRemove(false);
            QFAIL(qPrintable("the results differ: diff " + a.fileName() + " " + b.fileName()));
        }
    }

    void sideDocumentsSaveTheSame_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("source"); // a kind to make, or a shared .xls
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("aside"); // whether the copies can go aside
        const QStringList header{"--header-rows", "2"};
        const QStringList locked = header + QStringList{"--edit-range", "C3:D122", "--match-column", "2", "--sheet-password", "pw"};
        QTest::newRow("classify") << "classify" << "dressed" << header << true;
        QTest::newRow("classify, lookups") << "classify" << "dressed" << locked << true;
        QTest::newRow("link, lookups") << "link" << "dressed" << locked << true;
        // Its own page style per sheet, which moving a sheet between
        // documents would replace; print ranges, which it would drop.
        QTest::newRow("xls page style") << "classify" << "24215.xls" << QStringList{} << true;
        QTest::newRow("xls print ranges") << "classify" << "12561-1.xls" << QStringList{} << true;
        // The office dies taking any sheet from another document into this
        // one: its copies stay in the workbook.
        QTest::newRow("xls that takes no sheet") << "classify" << "59830.xls" << QStringList{} << false;
    }
    void sideDocumentsSaveTheSame()
    {
        QFETCH(QString, job);
        QFETCH(QString, source);
        QFETCH(QStringList, options);
        QFETCH(bool, aside);
        QTemporaryDir dir;
        QString path;
        if (source.endsWith(".xls")) {
            const QString shared = QStringLiteral(SHEETSPLICER_CORPUS "/") + source;
            if (!QFile::exists(shared))
                QSKIP("the shared workbooks are not beside the project");
            path = dir.filePath(source);
            QVERIFY(QFile::copy(shared, path));
        } else {
            path = dir.filePath(source + ".xlsx");
            QVERIFY(makeWorkbook(source, path));
        }
        const QString name = QFileInfo(path).fileName();
        QJsonObject parts[2];
        QJsonObject books[2];
        for (int side = 0; side < 2; ++side) {
            const QString out = dir.filePath(QStringLiteral("out%1").arg(side));
            QVERIFY(QDir().mkpath(out));
            // However few the sheets, so that small workbooks show it.
            const CliRun run = runWith(QStringList{job, path, out} + options,
                                       {{"SHEETSPLICER_SIDE_DOCUMENTS", side ? "always" : "0"}, {kOfficeLog, kOfficeInfo}});
            QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
            QCOMPARE(run.errors.contains("are made in side documents"), side == 1 && aside);
            parts[side] = partDigests(out + "/" + name);
            QVERIFY(!parts[side].isEmpty());
            if (!source.endsWith(".xls"))
                books[side] = readWorkbook(out + "/" + name);
        }
        if (!source.endsWith(".xls")) {
            // Every record on its sheet, and the user's sheet as it was.
            const QStringList names = books[1].value("sheetNames").toVariant().toStringList();
            QCOMPARE(names.size(), 60 + 3);
            QVERIFY(names.contains("Notes"));
            QCOMPARE(books[1].value("sheets").toObject().value("Team 007").toObject().value("cells").toObject()
                         .value("B4").toObject().value("value").toString(), QStringLiteral("K0067"));
            QCOMPARE(books[1], books[0]);
        }
        for (const QString &part : parts[0].keys())
            QVERIFY2(parts[1].value(part) == parts[0].value(part), qPrintable(part + " differs"));
        QCOMPARE(parts[1].keys(), parts[0].keys());
    }

    // A summary whose cells are formulas reading their own row and the
    // header: each category sheet is a copy of the summary without its
    // records, its own rows copied in (the columns of formulas only once the
    // sheet is used or saved), and the file saved is the one copying the
    // whole summary and deleting the other rows gives, part for part.
    void rowTemplateSavesTheSame_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QStringList>("source"); // the kind to make and its arguments
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("fromTemplate");
        const QStringList header{"--header-rows", "2"};
        const QStringList lookups = header + QStringList{"--edit-range", "C3:C62", "--match-column", "2", "--sheet-password", "pw"};
        const QStringList costing{"costing", "60", "12"};
        QTest::newRow("classify") << "classify" << costing << header << true;
        QTest::newRow("classify, lookups") << "classify" << costing << lookups << true;
        QTest::newRow("link, lookups") << "link" << costing << lookups << true;
        QTest::newRow("link, lookups of formulas")
            << "link" << costing << (header + QStringList{"--edit-range", "D3:G62", "--match-column", "2"}) << true;
        QTest::newRow("rows 30 pt high") << "classify" << (costing + QStringList{"tall"}) << header << true;
        // The rows the office puts at the bottom for those a delete takes are
        // saved where the sheet's own are not: a template copy keeps as many
        // of each as a copy that lost its rows.
        QTest::newRow("rows 12.75 pt high") << "classify" << (costing + QStringList{"12.75"}) << header << true;
        // The factor row named relatively: copied to another row, a formula
        // would name another row.
        QTest::newRow("factor row named relatively") << "classify" << (costing + QStringList{"relative"}) << header << false;
        // A comment is no cell of the summary's to the office: such summaries
        // keep the whole copies.
        QTest::newRow("a comment") << "classify" << (costing + QStringList{"comment"}) << header << false;
        // Many records a category, each apart from the others: they are
        // copied in from a copy of the summary sorted by category, one run a
        // category; also where categories hold hundreds of records.
        QTest::newRow("records scattered") << "classify" << QStringList{"costing", "240", "4"} << header << true;
        QTest::newRow("hundreds of records a category") << "classify" << QStringList{"costing", "1000", "4"} << header << true;
        // A formula that reads a category sheet by its name: the category
        // sheets take their formulas at once.
        QTest::newRow("a sheet read by its name") << "classify" << (costing + QStringList{"indirect"}) << header << true;
    }
    void rowTemplateSavesTheSame()
    {
        QFETCH(QString, job);
        QFETCH(QStringList, source);
        QFETCH(QStringList, options);
        QFETCH(bool, fromTemplate);
        Split splits[2];
        QVERIFY(splitTwice(job, source, "costs.xlsx", options, "SHEETSPLICER_ROW_TEMPLATE", splits));
        for (int whole = 0; whole < 2; ++whole) {
            const CliRun &run = splits[whole].run;
            QVERIFY2(run.exitCode == 0 && run.lastLine() == success(job), qPrintable(run.describe()));
            QCOMPARE(run.errors.contains("are made from a row template"), whole == 0 && fromTemplate);
            // Their formula columns wait until a category sheet is used.
            QCOMPARE(run.errors.contains("their formulas copied in when used"),
                     whole == 0 && fromTemplate && !source.contains("indirect"));
            QVERIFY(!splits[whole].parts.isEmpty());
        }
        const QJsonObject &book = splits[0].book;
        // Every record on its sheet, with its formulas naming its own row.
        const int categories = source.at(2).toInt();
        const bool indirect = source.contains("indirect");
        QCOMPARE(book.value("sheetNames").toVariant().toStringList().size(), categories + 2 + (indirect ? 1 : 0));
        const QJsonObject team = book.value("sheets").toObject().value("Team 03").toObject().value("cells").toObject();
        for (int i = 0; i < 5; ++i) {
            const QString row = QString::number(3 + i);
            QCOMPARE(team.value("B" + row).toObject().value("value").toString(), QStringLiteral("K%1").arg(3 + categories * i, 4, 10, QChar('0')));
            if (job == "classify")
                QCOMPARE(team.value("D" + row).toObject().value("formula").toString(),
                         source.contains("relative") ? QStringLiteral("=$C%1*D2").arg(row) : QStringLiteral("=$C%1*D$2").arg(row));
        }
        QCOMPARE(team.value(QStringLiteral("B%1").arg(3 + source.at(1).toInt() / categories)).toObject().isEmpty(), true);
        if (indirect)
            QCOMPARE(book.value("sheets").toObject().value("Check").toObject().value("cells").toObject()
                         .value("A1").toObject().value("value"),
                     team.value("D3").toObject().value("value"));
        QCOMPARE(splits[0].book, splits[1].book);
        QCOMPARE(partsDiffering(splits[0].parts, splits[1].parts), QStringList());
    }

    // Lookups whose results the job knows reach the office as numbers, all
    // but each block's first and last cell, and get their formulas in the
    // package: the file is the one the office makes storing every lookup,
    // part for part.
    void standInsSaveTheSame_data()
    {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("sameStyles");
        const QStringList keyed{"--edit-range", "C2:E8", "--match-column", "2", "--sheet-password", "pw"};
        QTest::newRow("values hard to write") << QStringList{"lookup-keys", "unique"} << keyed << true;
        // The summary's name quoted in the formulas, with characters the
        // package escapes.
        QTest::newRow("a summary name to quote") << QStringList{"lookup-keys", "unique", "It's Q&A 汇总"} << keyed << true;
        QTest::newRow("a comment on a looked-up cell") << QStringList{"lookup-keys", "comment"} << keyed << true;
        // Tall blocks, every other row filled. The office fills a tall block
        // of lookups down and has its formatting put back property by
        // property, which it records as formats of their own; stand-ins
        // leave the formatting as the cells had it, as writing cell by cell
        // does.
        QStringList tall{"e2e-table", "Summary", "1"};
        for (int i = 0; i < 300; ++i)
            tall << QStringList{"East", "West", "North"}.at(i % 7 % 3);
        QTest::newRow("tall blocks") << tall << QStringList{"--edit-range", "C2:F301", "--match-column", "2"} << false;
    }
    void standInsSaveTheSame()
    {
        QFETCH(QStringList, source);
        QFETCH(QStringList, options);
        QFETCH(bool, sameStyles);
        Split splits[2];
        QVERIFY(splitTwice("classify", source, "summary.xlsx", options, "SHEETSPLICER_LOOKUP_STAND_INS", splits));
        for (int office = 0; office < 2; ++office) {
            const CliRun &run = splits[office].run;
            QVERIFY2(run.exitCode == 0 && run.lastLine() == success("classify"), qPrintable(run.describe()));
            QCOMPARE(run.errors.contains("lookups stored uncalculated as stand-ins"), office == 0);
            QVERIFY(!splits[office].parts.isEmpty());
        }
        QCOMPARE(splits[0].book, splits[1].book);
        QCOMPARE(partsDiffering(splits[0].parts, splits[1].parts, sameStyles ? QString() : QStringLiteral("xl/styles.xml")),
                 QStringList());
    }

private:
    PrivateTemp m_temp;
};

QTEST_GUILESS_MAIN(E2eBufferingTest)
#include "e2e_buffering_test.moc"
