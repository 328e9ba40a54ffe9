// Files in and out of both jobs, end to end: each source format saved in its
// own, passwords on the saved file, refused sources and failed saves.
#include "AutomationObject.h"
#include "CliArguments.h"
#include "e2e_Cli.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QtTest>

#include <csignal>

#include <unistd.h>

namespace {

const QString index = QString::fromUtf8("目录");
const QStringList regionSheets{index, "Summary", "North", "West", "East"};

const QString sourceRefused = QString::fromUtf8("文件格式不正确,或文件不存在!");
const QString openFailed = QString::fromUtf8("文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!");
const QString saveFailed = QString::fromUtf8("保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!");
const QString folderMissing = QString::fromUtf8("保存路径文件夹不存在,请选择正确路径!");
const QString classifyDone = QString::fromUtf8("成功生成汇总分类表!");
const QString linkDone = QString::fromUtf8("成功生成分类汇总表!");

// The office behind "Excel.Application", for what the command line cannot do.
struct Office
{
    AutomationObject application;
    AutomationObject *workbooks = nullptr;

    Office()
    {
        application.setControl(QStringLiteral("Excel.Application"));
        application.dynamicCall("SetVisible (bool Visible)", QStringLiteral("false"));
        application.setProperty("DisplayAlerts", false);
        workbooks = application.querySubObject("WorkBooks");
    }
    ~Office() { application.dynamicCall("Quit(void)"); }

    // Saves `from` as `to` in `fileFormat` (52 .xlsm, 56 .xls).
    bool convert(const QString &from, const QString &to, int fileFormat)
    {
        AutomationObject *book = workbooks ? workbooks->querySubObject("Open(const QString&)", from) : nullptr;
        if (!book)
            return false;
        const bool saved = book->dynamicCall("SaveAs(const QString&, QVariant)", to, fileFormat).isValid();
        book->dynamicCall("Close (Boolean)", false);
        return saved && QFile::exists(to);
    }

    // Sheet names of a saved workbook and the index's first column, as the office reads them.
    QStringList sheetNames(const QString &path, QStringList *indexColumn = nullptr)
    {
        QStringList names;
        AutomationObject *book = workbooks ? workbooks->querySubObject("Open(const QString&)", path) : nullptr;
        if (!book)
            return names;
        AutomationObject *sheets = book->querySubObject("Sheets");
        const int count = sheets ? sheets->property("Count").toInt() : 0;
        for (int i = 1; i <= count; ++i)
            names << sheets->querySubObject("Item(int)", i)->property("Name").toString();
        if (indexColumn && count > 0) {
            AutomationObject *first = book->querySubObject("WorkSheets(int)", 1);
            for (int row = 1; row < count; ++row)
                *indexColumn << first->querySubObject("Cells(int,int)", row, 1)->dynamicCall("Value()").toString();
        }
        book->dynamicCall("Close (Boolean)", false);
        return names;
    }
};

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QString contentTypes(const QJsonObject &workbook)
{
    return workbook.value("contentTypes").toString();
}

bool hasPart(const QJsonObject &workbook, const QString &part)
{
    return workbook.value("parts").toVariant().toStringList().contains(part);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

} // namespace

class E2eFilesTest : public QObject
{
    Q_OBJECT
private slots:
    // Ended by a signal in the middle of a job, the program takes its office
    // and everything the office wrote with it.
    void aTerminatedJobLeavesNothingBehind()
    {
        const QString source = m_dir->filePath("big.xlsx");
        QVERIFY(makeWorkbook("striped", source, {"3000", "categories"}));
        const QString out = m_dir->filePath("terminated");
        QVERIFY(QDir().mkpath(out));
        QProcess cli;
        cli.start(QStringLiteral(SHEETSPLICER_CLI_PATH), {"link", source, out, "--edit-range", "B2:E3001"});
        QVERIFY(cli.waitForStarted());
        QByteArray seen;
        while (!seen.contains("正在拆分到") && cli.waitForReadyRead(60000))
            seen += cli.readAllStandardOutput();
        QVERIFY2(seen.contains("正在拆分到"), seen.constData());
        cli.terminate();
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + SIGTERM);
        QTRY_VERIFY2_WITH_TIMEOUT(m_temp.leftovers().isEmpty(), qPrintable(m_temp.leftovers().join("; ")), 10000);
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void initTestCase()
    {
        QVERIFY(m_temp.install());
        m_sources.reset(new QTemporaryDir(m_temp.path() + QStringLiteral("/sources-XXXXXX")));
        QVERIFY(m_sources->isValid());
        QVERIFY(makeWorkbook("categories", source("regions.xlsx")));
        Office office;
        QVERIFY(office.workbooks);
        QVERIFY(office.convert(source("regions.xlsx"), source("regions.xls"), 56));
        QVERIFY(office.convert(source("regions.xlsx"), source("regions.xlsm"), 52));
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir(m_temp.path() + QStringLiteral("/case-XXXXXX")));
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        QCOMPARE(officeProcesses(), 0);
        const QStringList left = m_temp.leftovers();
        QVERIFY2(left.isEmpty(), qPrintable(left.join("; ")));
        for (const QString &folder : {m_sources->path(), m_dir->path()}) {
            const QStringList locks = lockFilesIn(folder);
            QVERIFY2(locks.isEmpty(), qPrintable(locks.join(", ")));
        }
        m_dir.reset();
    }

    void anXlsSourceGivesAnXlsResult()
    {
        // Link, with an open password.
        const QString linked = m_dir->filePath("link");
        QVERIFY(QDir().mkpath(linked));
        CliRun run = runCli({"link", source("regions.xls"), linked, "--edit-range", "C2:F8", "--match-column", "2",
                             "--open-password", "pw"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), linkDone);
        QCOMPARE(entriesOf(linked), QStringList{"regions.xls"});
        const QString saved = linked + "/regions.xls";
        QVERIFY(isCompoundFile(saved));
        const QString clear = m_dir->filePath("clear.xls");
        QCOMPARE(decryptWorkbook(saved, "wrong", clear), 3);
        QVERIFY(!QFileInfo::exists(clear));
        QCOMPARE(decryptWorkbook(saved, "pw", clear), 0);
        QVERIFY(isCompoundFile(clear));

        Office office;
        QStringList indexColumn;
        QCOMPARE(office.sheetNames(clear, &indexColumn), regionSheets);
        QCOMPARE(indexColumn, regionSheets.mid(1));
        // Summary row r, column c (C..F) holds (r - 1) * 10 + (c - 2) on its category sheet.
        const QJsonObject summary = xlsFormulaResults(clear, 1);
        QCOMPARE(summary.size(), 28);
        QStringList wrong;
        for (int row = 2; row <= 8; ++row)
            for (int column = 3; column <= 6; ++column) {
                const QString address = QString(QChar('A' + column - 1)) + QString::number(row);
                const QJsonValue value = summary.value(address);
                if (value.toDouble() != (row - 1) * 10 + (column - 2))
                    wrong << address + "=" + value.toVariant().toString();
            }
        if (!wrong.isEmpty())
            qInfo("summary lookups: %s", qPrintable(wrong.mid(0, 6).join(", ")));
        QCOMPARE(wrong, QStringList());
        QVERIFY(QFile::remove(clear));

        // Classify: the category sheets' lookups into the summary.
        const QString classified = m_dir->filePath("classify");
        QVERIFY(QDir().mkpath(classified));
        run = runCli({"classify", source("regions.xls"), classified, "--edit-range", "C2:F8", "--match-column", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), classifyDone);
        QCOMPARE(entriesOf(classified), QStringList{"regions.xls"});
        QVERIFY(isCompoundFile(classified + "/regions.xls"));
        QCOMPARE(office.sheetNames(classified + "/regions.xls"), regionSheets);
        const QJsonObject north = xlsFormulaResults(classified + "/regions.xls", 2);
        QCOMPARE(north.size(), 8);
        QCOMPARE(north.value("C2").toDouble(), 31.0);
        QCOMPARE(north.value("F3").toDouble(), 54.0);
    }

    void anXlsmSourceGivesAnXlsmResult()
    {
        const QJsonObject original = readWorkbook(source("regions.xlsm"));
        QVERIFY(contentTypes(original).contains("sheet.macroEnabled.main+xml"));

        const CliRun run = runCli({"classify", source("regions.xlsm"), m_dir->path(), "--edit-range", "C2:F8",
                                   "--match-column", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), classifyDone);
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"regions.xlsm"});
        QVERIFY(!isCompoundFile(m_dir->filePath("regions.xlsm")));

        const QJsonObject book = readWorkbook(m_dir->filePath("regions.xlsm"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(), regionSheets);
        QVERIFY2(contentTypes(book).contains("sheet.macroEnabled.main+xml"), qPrintable(contentTypes(book)));
        QCOMPARE(hasPart(book, "xl/vbaProject.bin"), hasPart(original, "xl/vbaProject.bin"));
        QCOMPARE(valueText(sheetOf(book, "North"), "D3"), QStringLiteral("52"));
    }

    // The output carries the source's complete base name and the lower-case
    // ending; a second run replaces the first result.
    void theResultIsNamedAfterTheSource()
    {
        const QString upper = m_dir->filePath("Q3.report.XLSX");
        QVERIFY(QFile::copy(source("regions.xlsx"), upper));
        const QString out = m_dir->filePath("out");
        QVERIFY(QDir().mkpath(out));
        for (int round = 0; round < 2; ++round) {
            const CliRun run = runCli({"classify", upper, out + QLatin1Char('/')});
            QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
            QCOMPARE(entriesOf(out), QStringList{"Q3.report.xlsx"});
            const QJsonObject book = readWorkbook(out + "/Q3.report.xlsx");
            QCOMPARE(book.value("sheetNames").toVariant().toStringList(), regionSheets);
        }
    }

    void passwordsProtectTheResult()
    {
        const QString password = QString::fromUtf8("s3cret 密码");
        const QString out = m_dir->path();

        // Structure lock and open password on an .xlsx.
        CliRun run = runCli({"classify", source("regions.xlsx"), out, "--open-password", password,
                             "--structure-password", "lock"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        const QString xlsx = m_dir->filePath("regions.xlsx");
        QVERIFY(isCompoundFile(xlsx));
        int code = 0;
        QVERIFY(readWorkbook(xlsx, "wrong", &code).isEmpty());
        QCOMPARE(code, 3);
        QVERIFY(readWorkbook(xlsx, QString(), &code).isEmpty());
        QCOMPARE(code, 3);
        QJsonObject book = readWorkbook(xlsx, password, &code);
        QCOMPARE(code, 0);
        QCOMPARE(book.value("encrypted").toBool(), true);
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(), regionSheets);
        QJsonObject lock = book.value("workbookProtection").toObject();
        QCOMPARE(lock.value("lockStructure").toString(), QStringLiteral("1"));
        QCOMPARE(lock.value("workbookAlgorithmName").toString(), QStringLiteral("SHA-512"));
        QVERIFY(!lock.value("workbookHashValue").toString().isEmpty());
        QVERIFY(!lock.value("workbookSaltValue").toString().isEmpty());

        // Open password alone on an .xlsm.
        run = runCli({"link", source("regions.xlsm"), out, "--open-password", "p", "--edit-range", "C2:F8",
                      "--match-column", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        const QString xlsm = m_dir->filePath("regions.xlsm");
        QVERIFY(isCompoundFile(xlsm));
        QVERIFY(readWorkbook(xlsm, "P", &code).isEmpty());
        QCOMPARE(code, 3);
        book = readWorkbook(xlsm, "p", &code);
        QCOMPARE(code, 0);
        QVERIFY(contentTypes(book).contains("sheet.macroEnabled.main+xml"));
        QCOMPARE(book.value("sheetNames").toVariant().toStringList(), regionSheets);
        QVERIFY(!book.value("workbookProtection").toObject().contains("lockStructure"));
        QCOMPARE(valueText(sheetOf(book, "Summary"), "E6"), QStringLiteral("53"));

        // Structure lock alone: the package stays a plain zip.
        QVERIFY(QFile::remove(xlsx));
        run = runCli({"link", source("regions.xlsx"), out, "--structure-password", "lock"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QVERIFY(!isCompoundFile(xlsx));
        book = readWorkbook(xlsx, QString(), &code);
        QCOMPARE(code, 0);
        QCOMPARE(book.value("encrypted").toBool(), false);
        lock = book.value("workbookProtection").toObject();
        QCOMPARE(lock.value("lockStructure").toString(), QStringLiteral("1"));
        QCOMPARE(lock.value("workbookAlgorithmName").toString(), QStringLiteral("SHA-512"));
    }

    void refusedSourcesSaveNothing()
    {
        const QString out = m_dir->filePath("out");
        QVERIFY(QDir().mkpath(out));
        const QString csv = m_dir->filePath("regions.csv");
        writeFile(csv, "Region,Key\nEast,K1\n");
        QVERIFY(QDir().mkpath(m_dir->filePath("~$drafts")));
        const QString drafts = m_dir->filePath("~$drafts/regions.xlsx");
        QVERIFY(QFile::copy(source("regions.xlsx"), drafts));
        const QString corrupt = m_dir->filePath("corrupt.xlsx");
        QByteArray noise(6000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        writeFile(corrupt, noise);
        const QString renamed = m_dir->filePath("regions-text.xlsx");
        writeFile(renamed, "Region,Key\nEast,K1\n");
        const QString missing = m_dir->filePath("missing.xlsx");
        const QString notWorkbook = QString::fromUtf8("”不是Excel工作簿(文件内容不是.xlsx/.xls/.xlsm格式),"
                                                      "请选择汇总表所在的工作簿,本次未生成文件。");
        // It starts as a zip file does: the office is asked to open it, and cannot.
        const QString archive = m_dir->filePath("archive.xlsx");
        writeFile(archive, QByteArray("PK\x03\x04", 4) + QByteArray(60, 'x'));

        // Refused before any office starts: with none to start, the job
        // would otherwise end saying that none is installed.
        qputenv("SHEETSPLICER_OFFICE", "/nonexistent/soffice.bin");
        const QList<QPair<QString, QString>> early{
            {csv, sourceRefused},
            {drafts, sourceRefused},
            {missing, QString::fromUtf8("找不到汇总表文件“%1”,请检查文件是否已被移动、改名或删除,本次未生成文件。").arg(missing)},
            {corrupt, QString::fromUtf8("文件“corrupt.xlsx") + notWorkbook},
            {renamed, QString::fromUtf8("文件“regions-text.xlsx") + notWorkbook},
        };
        for (const auto &c : early) {
            const CliRun run = runCli({"classify", c.first, out});
            QVERIFY2(run.exitCode == 1, qPrintable(c.first + ": " + run.describe()));
            QCOMPARE(run.lines, QStringList{c.second});
            QVERIFY2(entriesOf(out).isEmpty(), qPrintable(entriesOf(out).join(", ")));
        }
        qunsetenv("SHEETSPLICER_OFFICE");

        const CliRun run = runCli({"classify", archive, out});
        QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), openFailed);
        QCOMPARE(run.lines.mid(0, 2), (QStringList{"excel OK!", "WorkBooks OK!"}));
        QVERIFY2(entriesOf(out).isEmpty(), qPrintable(entriesOf(out).join(", ")));
        QVERIFY2(m_temp.leftovers().isEmpty(), qPrintable(m_temp.leftovers().join("; ")));
        QVERIFY(lockFilesIn(m_dir->filePath("~$drafts")).isEmpty());
    }

    void aFailedSaveLeavesNothingBehind()
    {
        // A folder standing where the result would go.
        const QString taken = m_dir->filePath("taken");
        QVERIFY(QDir().mkpath(taken + "/regions.xlsx"));
        CliRun run = runCli({"classify", source("regions.xlsx"), taken});
        QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
        QCOMPARE(run.lastLine(), saveFailed);
        // Standard error says why.
        QVERIFY2(run.errors.contains("not saved as") && run.errors.contains("a folder has that name"),
                 qPrintable(run.errors));
        QCOMPARE(entriesOf(taken), QStringList{"regions.xlsx"});
        QVERIFY(entriesOf(taken + "/regions.xlsx").isEmpty());

        // A folder that cannot be written (root writes anywhere).
        if (::geteuid() != 0) {
            const QString readOnly = m_dir->filePath("read-only");
            QVERIFY(QDir().mkpath(readOnly));
            QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
            run = runCli({"link", source("regions.xlsx"), readOnly});
            QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY2(run.exitCode == 1, qPrintable(run.describe()));
            QCOMPARE(run.lastLine(), saveFailed);
            QVERIFY(entriesOf(readOnly).isEmpty());
        } else {
            qInfo("running as root: the read-only folder case is left out");
        }

        // The command line looks for the folder before the job starts.
        const QString missing = m_dir->filePath("missing/folder");
        run = runCli({"classify", source("regions.xlsx"), missing});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lines, QStringList{folderMissing});
        QVERIFY(!QFileInfo::exists(m_dir->filePath("missing")));

        // The job itself, given a folder that is not there or has a file in its way.
        const QString blocker = m_dir->filePath("blocker");
        writeFile(blocker, "a file, not a folder");
        for (const QString &folder : {missing, blocker + "/sub"}) {
            const CliRequest request = parseCliArguments({"classify", source("regions.xlsx"), folder});
            QCOMPARE(request.status, CliRequest::Status::Run);
            QStringList texts;
            const int code = runCliJob(request, [&texts](const QString &text) { texts << text; });
            QCOMPARE(code, 1);
            QCOMPARE(texts.value(texts.size() - 1), saveFailed);
            QVERIFY(!texts.contains(classifyDone));
            QCOMPARE(officeProcesses(), 0);
        }
        QVERIFY(!QFileInfo::exists(m_dir->filePath("missing")));
        QVERIFY(QFileInfo(blocker).isFile());
        QCOMPARE(entriesOf(m_sources->path()), (QStringList{"regions.xls", "regions.xlsm", "regions.xlsx"}));
    }

private:
    QString source(const QString &name) const { return m_sources->filePath(name); }

    PrivateTemp m_temp;
    QScopedPointer<QTemporaryDir> m_sources;
    QScopedPointer<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(E2eFilesTest)
#include "e2e_files_test.moc"
