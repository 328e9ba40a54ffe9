// The backend's bulk paths (values read in blocks, formulas gathered and
// written per block, tall blocks filled down with their formatting put back)
// must not change what is saved: each job's result equals the one made with
// every read and write sent to the office cell by cell.
#include "e2e_Cli.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

class E2eBufferingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_temp.install()); }

    void bulkAndCellByCellSaveTheSame_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("range");
        QTest::newRow("classify") << "classify" << "B2:E61";
        QTest::newRow("link") << "link" << "B2:E61";
    }
    void bulkAndCellByCellSaveTheSame()
    {
        QFETCH(QString, job);
        QFETCH(QString, range);
        QTemporaryDir dir;
        const QString source = dir.filePath("striped.xlsx");
        // Rows of formatting that changes from row to row, and a category
        // column with enough rows a category for the copies to come from the
        // grouped source; every category sheet gets a tall block too.
        QVERIFY(makeWorkbook("striped", source, {"660", "categories"}));
        QJsonObject saved[2];
        for (int unbuffered = 0; unbuffered < 2; ++unbuffered) {
            const QString out = dir.filePath(QStringLiteral("out%1").arg(unbuffered));
            QVERIFY(QDir().mkpath(out));
            if (unbuffered)
                qputenv("SHEETSPLICER_UNBUFFERED", "1");
            const CliRun run = runCli({job, source, out, "--edit-range", range, "--sheet-password", "pw"});
            qunsetenv("SHEETSPLICER_UNBUFFERED");
            QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
            saved[unbuffered] = readWorkbook(out + "/striped.xlsx");
            QVERIFY(!saved[unbuffered].isEmpty());
        }
        QCOMPARE(saved[0].value("sheetNames").toVariant().toStringList().size(), 5);
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

private:
    PrivateTemp m_temp;
};

QTEST_GUILESS_MAIN(E2eBufferingTest)
#include "e2e_buffering_test.moc"
