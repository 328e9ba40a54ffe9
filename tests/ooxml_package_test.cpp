// Finishing real workbook packages, checked with python's own readers.
#include "PackageFinishing.h"
#include "ooxml_python.h"
#include "ooxml_workbooks.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ooxml;
using namespace ooxmltest;

namespace {

const QByteArray kCompoundFileMagic = QByteArray::fromHex("d0cf11e0a1b11ae1");

QStringList strings(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &v : value.toArray())
        out << v.toString();
    return out;
}

QJsonArray range(const QString &name, const QString &sqref)
{
    return QJsonArray{name, sqref};
}

// Names in `dir` other than `expected`: leftovers of an interrupted finish.
QStringList strayFiles(const QString &dir, const QStringList &expected)
{
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

} // namespace

class OoxmlPackageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void protectionsLandInTheParts();
    void finishingTwiceReplacesByName();
    void openPasswordEncryptsThePackage();
    void allAtOnceDecryptsToAProtectedBook();
    void officeOpensWithThePassword();
    void macroProjectKept();
    void failureLeavesFileAsItWas_data();
    void failureLeavesFileAsItWas();
    void largeCalcWorkbook();
    void formulaResultsOnManySheets();

private:
    QString makeBook(const QString &name, const QString &kind = QStringLiteral("xlsx"));
    QJsonObject inspect(const QString &path, const QString &password, const QStringList &sheets);

    QString m_python;        // with openpyxl
    QString m_cryptoPython;  // with msoffcrypto and olefile as well
    QTemporaryDir m_dir;
};

void OoxmlPackageTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_python = pythonWith({QStringLiteral("openpyxl")});
    m_cryptoPython = pythonWith({QStringLiteral("openpyxl"), QStringLiteral("msoffcrypto"), QStringLiteral("olefile")});
}

QString OoxmlPackageTest::makeBook(const QString &name, const QString &kind)
{
    const QString path = m_dir.filePath(name);
    QString failure;
    if (!makeWorkbook(m_python, path, kind, &failure))
        qWarning("cannot make %s: %s", qPrintable(path), qPrintable(failure));
    return path;
}

QJsonObject OoxmlPackageTest::inspect(const QString &path, const QString &password, const QStringList &sheets)
{
    QString failure;
    const QJsonObject facts = inspectPackage(m_python, path, password, sheets, &failure);
    if (facts.isEmpty())
        qWarning("cannot inspect %s: %s", qPrintable(path), qPrintable(failure));
    return facts;
}

void OoxmlPackageTest::protectionsLandInTheParts()
{
    if (m_python.isEmpty())
        QSKIP("python3 with openpyxl is not available");
    const QString path = makeBook(QStringLiteral("book.xlsx"));
    const QJsonObject before = inspect(path, QString(), {});
    QVERIFY(!before.isEmpty());

    PackageFinishing what;
    what.lockStructure = true;
    what.structurePassword = QStringLiteral("结构 pw");
    what.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("A2:B9,D2:E9")},
                            {QStringLiteral("Other"), QStringLiteral("$b$3:$f$20")},
                            {QStringLiteral("plain & simple"), QStringLiteral("C5")}};
    QString error;
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));

    const QJsonObject after = inspect(path, what.structurePassword, {"汇总", "Other", "Plain & Simple"});
    QVERIFY(!after.isEmpty());
    QCOMPARE(after["openpyxl"].toString(), QStringLiteral("ok"));
    QVERIFY(after["lockStructure"].toBool());

    // Workbook part: one protection, after workbookPr and before bookViews, hash as Excel checks it.
    const QStringList wbChildren = strings(after["workbookChildren"]);
    QCOMPARE(wbChildren.count(QStringLiteral("workbookProtection")), 1);
    QCOMPARE(wbChildren.indexOf(QStringLiteral("workbookProtection")), wbChildren.indexOf(QStringLiteral("bookViews")) - 1);
    QVERIFY(wbChildren.indexOf(QStringLiteral("workbookPr")) < wbChildren.indexOf(QStringLiteral("workbookProtection")));
    const QJsonObject protection = after["workbookProtection"].toObject();
    QCOMPARE(protection["lockStructure"].toString(), QStringLiteral("1"));
    QCOMPARE(protection["workbookAlgorithmName"].toString(), QStringLiteral("SHA-512"));
    QCOMPARE(protection["workbookSpinCount"].toString(), QStringLiteral("100000"));
    QVERIFY(after["hashMatches"].toBool());

    // Sheet parts: the range right after the sheet protection, before filter, merges and links.
    const QJsonObject summary = after["sheets"].toObject()["汇总"].toObject();
    QCOMPARE(summary["ranges"].toArray(), QJsonArray{range("allowEditRange1", "A2:B9 D2:E9")});
    const QStringList children = strings(summary["children"]);
    const int at = children.indexOf(QStringLiteral("protectedRanges"));
    QVERIFY(at > 0);
    QCOMPARE(children.at(at - 1), QStringLiteral("sheetProtection"));
    for (const char *later : {"autoFilter", "mergeCells", "hyperlinks", "pageMargins"})
        QVERIFY2(children.indexOf(QLatin1String(later)) > at, later);
    QCOMPARE(after["sheets"].toObject()["Other"].toObject()["ranges"].toArray(),
             QJsonArray{range("allowEditRange1", "B3:F20")});
    QCOMPARE(after["sheets"].toObject()["Plain & Simple"].toObject()["ranges"].toArray(),
             QJsonArray{range("allowEditRange1", "C5")});

    // Every other part is stored exactly as before, in the same order.
    QCOMPARE(strings(after["entries"]), strings(before["entries"]));
    const QJsonObject crcBefore = before["crc"].toObject(), crcAfter = after["crc"].toObject();
    int changed = 0;
    for (const QString &entry : crcBefore.keys())
        changed += crcBefore[entry] != crcAfter[entry];
    QCOMPARE(changed, 4);   // the workbook and three sheets
    QCOMPARE(strayFiles(m_dir.path(), {"book.xlsx"}), QStringList());
}

void OoxmlPackageTest::finishingTwiceReplacesByName()
{
    if (m_python.isEmpty())
        QSKIP("python3 with openpyxl is not available");
    const QString path = makeBook(QStringLiteral("twice.xlsx"));
    PackageFinishing first;
    first.lockStructure = true;
    first.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("B3:F20")},
                             {QStringLiteral("汇总"), QStringLiteral("H1:H9"), QStringLiteral("Extra")}};
    QString error;
    QVERIFY2(finishPackage(path, first, &error), qPrintable(error));
    PackageFinishing second;
    second.lockStructure = true;
    second.structurePassword = QStringLiteral("later");
    second.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("C4")}};
    // The second time through a link, which must stay a link to the finished file.
    const QString link = m_dir.filePath(QStringLiteral("twice-link.xlsx"));
    QVERIFY(QFile::link(path, link));
    QVERIFY2(finishPackage(link, second, &error), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QFile::remove(link);

    const QJsonObject facts = inspect(path, QStringLiteral("later"), {"汇总"});
    QCOMPARE(facts["openpyxl"].toString(), QStringLiteral("ok"));
    QCOMPARE(strings(facts["workbookChildren"]).count(QStringLiteral("workbookProtection")), 1);
    QVERIFY(facts["hashMatches"].toBool());
    QCOMPARE(facts["sheets"].toObject()["汇总"].toObject()["ranges"].toArray(),
             QJsonArray({range("Extra", "H1:H9"), range("allowEditRange1", "C4")}));
    QCOMPARE(strings(facts["sheets"].toObject()["汇总"].toObject()["children"]).count(QStringLiteral("protectedRanges")), 1);
}

void OoxmlPackageTest::openPasswordEncryptsThePackage()
{
    if (m_cryptoPython.isEmpty())
        QSKIP("python3 with openpyxl, msoffcrypto and olefile is not available");
    const QString plainPath = makeBook(QStringLiteral("plain.xlsx"));
    PackageFinishing protect;
    protect.lockStructure = true;
    protect.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("B3:F20")}};
    QVERIFY(finishPackage(plainPath, protect));
    const QByteArray finished = fileBytes(plainPath);

    const QString lockedPath = m_dir.filePath(QStringLiteral("locked.xlsx"));
    QVERIFY(QFile::copy(plainPath, lockedPath));
    PackageFinishing encrypt;
    encrypt.encrypt = true;
    encrypt.openPassword = QStringLiteral("开门 Sesame");
    QString error;
    QVERIFY2(finishPackage(lockedPath, encrypt, &error), qPrintable(error));
    QVERIFY(fileBytes(lockedPath).startsWith(kCompoundFileMagic));

    QString failure;
    const QString outPath = m_dir.filePath(QStringLiteral("decrypted.xlsx"));
    const QJsonObject right = decryptPackage(m_cryptoPython, lockedPath, encrypt.openPassword, outPath, &failure);
    QVERIFY2(right["ok"].toBool(), qPrintable(right["error"].toString() + failure));
    QCOMPARE(fileBytes(outPath), finished);
    const QStringList streams = strings(right["streams"]);
    for (const char *stream : {"EncryptionInfo", "EncryptedPackage", "\x06" "DataSpaces/Version",
                               "\x06" "DataSpaces/DataSpaceMap",
                               "\x06" "DataSpaces/DataSpaceInfo/StrongEncryptionDataSpace",
                               "\x06" "DataSpaces/TransformInfo/StrongEncryptionTransform/\x06" "Primary"})
        QVERIFY2(streams.contains(QString::fromLatin1(stream)), stream);

    for (const QString &wrong : {QStringLiteral("开门 sesame"), QString(), QStringLiteral("x")}) {
        QFile::remove(outPath);
        const QJsonObject refused = decryptPackage(m_cryptoPython, lockedPath, wrong, outPath, &failure);
        QVERIFY2(!refused.isEmpty(), qPrintable(failure));
        QVERIFY2(!refused["ok"].toBool(), qPrintable(wrong));
    }
}

void OoxmlPackageTest::allAtOnceDecryptsToAProtectedBook()
{
    if (m_cryptoPython.isEmpty())
        QSKIP("python3 with openpyxl, msoffcrypto and olefile is not available");
    const QString path = makeBook(QStringLiteral("all.xlsx"));
    PackageFinishing what;
    what.lockStructure = true;
    what.structurePassword = QStringLiteral("s");
    what.protectedRanges = {{QStringLiteral("Other"), QStringLiteral("A1:A3")}};
    what.encrypt = true;
    what.openPassword = QStringLiteral("o");
    QString error;
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));
    QCOMPARE(strayFiles(m_dir.path(), {"all.xlsx"}).filter(QStringLiteral("all")), QStringList());

    QString failure;
    const QString outPath = m_dir.filePath(QStringLiteral("all-open.xlsx"));
    QVERIFY(decryptPackage(m_cryptoPython, path, QStringLiteral("o"), outPath, &failure)["ok"].toBool());
    const QJsonObject facts = inspect(outPath, QStringLiteral("s"), {"Other"});
    QCOMPARE(facts["openpyxl"].toString(), QStringLiteral("ok"));
    QVERIFY(facts["hashMatches"].toBool());
    QCOMPARE(facts["sheets"].toObject()["Other"].toObject()["ranges"].toArray(),
             QJsonArray{range("allowEditRange1", "A1:A3")});

    // Encrypting what is already encrypted is refused: the file is no longer a zip package.
    const QByteArray encrypted = fileBytes(path);
    QVERIFY(!finishPackage(path, what, &error));
    QCOMPARE(fileBytes(path), encrypted);
}

void OoxmlPackageTest::officeOpensWithThePassword()
{
    const QString python = pythonWith({QStringLiteral("openpyxl"), QStringLiteral("uno")});
    if (m_python.isEmpty() || python.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        QSKIP("python3 with openpyxl and uno, or soffice, is not available");
    const QString path = makeBook(QStringLiteral("office.xlsx"));
    PackageFinishing what;
    what.lockStructure = true;
    what.structurePassword = QStringLiteral("s");
    what.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("B3:F20")}};
    what.encrypt = true;
    what.openPassword = QStringLiteral("Öffnen 123");
    QString error;
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));

    QString failure;
    const QJsonObject opened = openWithOffice(python, path, what.openPassword, &failure);
    QVERIFY2(opened["loaded"].toBool(), qPrintable(opened["error"].toString() + failure));
    QCOMPARE(strings(opened["sheets"]), QStringList({"汇总", "Other", "Plain & Simple"}));
    QCOMPARE(opened["A1"].toString(), QStringLiteral("11"));

    const QJsonObject refused = openWithOffice(python, path, QStringLiteral("öffnen 123"), &failure);
    QVERIFY2(!refused.isEmpty(), qPrintable(failure));
    QVERIFY(!refused["loaded"].toBool());
}

void OoxmlPackageTest::macroProjectKept()
{
    if (m_cryptoPython.isEmpty())
        QSKIP("python3 with openpyxl, msoffcrypto and olefile is not available");
    const QString path = makeBook(QStringLiteral("macros.xlsm"), QStringLiteral("xlsm"));
    const QJsonObject before = inspect(path, QString(), {});
    QVERIFY(strings(before["entries"]).contains(QStringLiteral("xl/vbaProject.bin")));

    PackageFinishing what;
    what.lockStructure = true;
    what.protectedRanges = {{QStringLiteral("汇总"), QStringLiteral("B3:F20")}};
    what.encrypt = true;
    what.openPassword = QStringLiteral("m");
    QString error;
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));

    QString failure;
    const QString outPath = m_dir.filePath(QStringLiteral("macros-open.xlsm"));
    QVERIFY(decryptPackage(m_cryptoPython, path, QStringLiteral("m"), outPath, &failure)["ok"].toBool());
    const QJsonObject after = inspect(outPath, QString(), {"汇总"});
    QCOMPARE(after["openpyxl"].toString(), QStringLiteral("ok"));
    QCOMPARE(strings(after["entries"]), strings(before["entries"]));
    for (const char *kept : {"xl/vbaProject.bin", "[Content_Types].xml", "xl/_rels/workbook.xml.rels"})
        QCOMPARE(after["crc"].toObject()[kept], before["crc"].toObject()[kept]);
}

void OoxmlPackageTest::failureLeavesFileAsItWas_data()
{
    QTest::addColumn<QString>("content");     // "book", "text", "truncated", "empty"
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("sqref");
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("not a zip") << "text" << "汇总" << "B3:F20" << false;
    QTest::newRow("not a zip, only encryption asked") << "text" << "" << "" << true;
    QTest::newRow("truncated zip") << "truncated" << "汇总" << "B3:F20" << true;
    QTest::newRow("empty file") << "empty" << "汇总" << "B3:F20" << false;
    QTest::newRow("missing sheet") << "book" << "Nowhere" << "B3:F20" << true;
    QTest::newRow("bad range") << "book" << "汇总" << "B3:XFE20" << true;
    QTest::newRow("sheet-qualified range") << "book" << "汇总" << "Other!B3" << false;
}

void OoxmlPackageTest::failureLeavesFileAsItWas()
{
    QFETCH(QString, content);
    QFETCH(QString, sheet);
    QFETCH(QString, sqref);
    QFETCH(bool, encrypt);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target.xlsx"));
    if (content == QLatin1String("text")) {
        QVERIFY(writeBytes(path, "Name,Category\nA,B\n"));
    } else if (content == QLatin1String("empty")) {
        QVERIFY(writeBytes(path, QByteArray()));
    } else {
        if (m_python.isEmpty())
            QSKIP("python3 with openpyxl is not available");
        QString failure;
        QVERIFY2(makeWorkbook(m_python, path, QStringLiteral("xlsx"), &failure), qPrintable(failure));
        if (content == QLatin1String("truncated")) {
            const QByteArray whole = fileBytes(path);
            QVERIFY(writeBytes(path, whole.left(whole.size() / 2)));
        }
    }
    const QByteArray original = fileBytes(path);

    PackageFinishing what;
    what.lockStructure = true;
    if (!sheet.isEmpty())
        what.protectedRanges = {{sheet, sqref}};
    what.encrypt = encrypt;
    what.openPassword = QStringLiteral("pw");
    QString error;
    QVERIFY(!finishPackage(path, what, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path), original);
    QCOMPARE(strayFiles(dir.path(), {"target.xlsx"}), QStringList());
}

// A workbook as the office writes it, with a sheet of 50,000 rows.
void OoxmlPackageTest::largeCalcWorkbook()
{
    if (m_python.isEmpty())
        QSKIP("python3 with openpyxl is not available");
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        QSKIP("soffice is not installed");
    QTemporaryDir profile;
    QByteArray csv = "Name,Category,Q1,Q2,Q3,Q4\n";
    for (int r = 1; r <= 50000; ++r)
        csv += "item" + QByteArray::number(r) + ",cat" + QByteArray::number(r % 7) + ",1,2,3,4\n";
    const QString csvPath = m_dir.filePath(QStringLiteral("summary.csv"));
    QVERIFY(writeBytes(csvPath, csv));
    QProcess convert;
    convert.start(office, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xlsx"),
                           QStringLiteral("--outdir"), m_dir.path(), csvPath});
    QVERIFY(convert.waitForFinished(240000));
    const QString path = m_dir.filePath(QStringLiteral("summary.xlsx"));
    if (!QFile::exists(path))
        QSKIP("soffice could not convert here");

    PackageFinishing what;
    what.lockStructure = true;
    what.structurePassword = QStringLiteral("big");
    what.protectedRanges = {{QStringLiteral("summary"), QStringLiteral("C2:F50001")}};
    QElapsedTimer timer;
    timer.start();
    QString error;
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));
    qInfo("finished a 50,000-row package in %lld ms", timer.elapsed());

    const QJsonObject facts = inspect(path, QStringLiteral("big"), {"summary"});
    QCOMPARE(facts["openpyxl"].toString(), QStringLiteral("ok"));
    QVERIFY(facts["hashMatches"].toBool());
    QVERIFY(facts["lockStructure"].toBool());
    const QJsonObject sheet = facts["sheets"].toObject()["summary"].toObject();
    QCOMPARE(sheet["ranges"].toArray(), QJsonArray{range("allowEditRange1", "C2:F50001")});
    const QStringList children = strings(sheet["children"]);
    QCOMPARE(children.indexOf(QStringLiteral("protectedRanges")), children.indexOf(QStringLiteral("sheetData")) + 1);
}

// Results go into several sheets at once, each sheet's part edited on its own;
// one sheet whose cell is no formula refuses them all and leaves the file as it was.
void OoxmlPackageTest::formulaResultsOnManySheets()
{
    const QString python = pythonWith({QStringLiteral("zipfile")});
    if (python.isEmpty())
        QSKIP("python3 is not available");
    // Seven sheets as the office stores them: B2:C4 lookups with a stale 0,
    // except that sheet S4's C3 holds a constant.
    const QString make = QStringLiteral(R"(
import sys, zipfile
n = 7
ct = '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">' \
     '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>' \
     '<Default Extension="xml" ContentType="application/xml"/>' \
     '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>' + \
     ''.join('<Override PartName="/xl/worksheets/sheet%d.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % i for i in range(1, n + 1)) + '</Types>'
rels = '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' \
       '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>'
wb = '<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>' + \
     ''.join('<sheet name="S%d" sheetId="%d" r:id="rId%d"/>' % (i, i, i) for i in range(1, n + 1)) + '</sheets></workbook>'
wbrels = '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' + \
     ''.join('<Relationship Id="rId%d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet%d.xml"/>' % (i, i) for i in range(1, n + 1)) + '</Relationships>'
def sheet(i):
    rows = ''
    for r in range(2, 5):
        cells = '<c r="A%d" t="s"><v>0</v></c>' % r
        for c in 'BC':
            if i == 4 and c + str(r) == 'C3':
                cells += '<c r="C3"><v>5</v></c>'
            else:
                cells += '<c r="%s%d" s="1" t="e"><f>VLOOKUP($A%d,Summary!$A$2:$C$9,2,0)</f><v>0</v></c>' % (c, r, r)
        rows += '<row r="%d">%s</row>' % (r, cells)
    return '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + rows + '</sheetData></worksheet>'
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', ct)
    z.writestr('_rels/.rels', rels)
    z.writestr('xl/workbook.xml', wb)
    z.writestr('xl/_rels/workbook.xml.rels', wbrels)
    for i in range(1, n + 1):
        z.writestr('xl/worksheets/sheet%d.xml' % i, sheet(i))
)");
    const QString read = QStringLiteral(R"(
import sys, zipfile, json, xml.etree.ElementTree as ET
ns = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
out = {}
with zipfile.ZipFile(sys.argv[1]) as z:
    for name in z.namelist():
        if name.startswith('xl/worksheets/'):
            cells = {}
            for c in ET.fromstring(z.read(name)).iter(ns + 'c'):
                v = c.find(ns + 'v')
                cells[c.get('r')] = [c.get('t') or '', v.text if v is not None else None, c.find(ns + 'f') is not None]
            out[name.split('/')[-1]] = cells
print(json.dumps(out))
)");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.xlsx"));
    QVERIFY(runPython(python, make, {path}).ok());
    const QByteArray original = fileBytes(path);

    const auto resultsFor = [](int sheet, bool withTheConstant) {
        SheetFormulaResults results{QStringLiteral("S%1").arg(sheet), {}};
        for (int row = 2; row <= 4; ++row)
            for (int column = 2; column <= 3; ++column)
                if (withTheConstant || sheet != 4 || row != 3 || column != 3)
                    results.cells.append({row, column, column == 2 ? QVariant(sheet * 100.0 + row + 0.5)
                                                                   : QVariant(QStringLiteral("<%1 & %2>").arg(sheet).arg(row))});
        return results;
    };
    PackageFinishing refused;
    for (int sheet = 1; sheet <= 7; ++sheet)
        refused.formulaResults << resultsFor(sheet, true);
    QString error;
    QVERIFY(!finishPackage(path, refused, &error));
    QVERIFY2(error.contains(QLatin1String("C3")), qPrintable(error));
    QCOMPARE(fileBytes(path), original);

    PackageFinishing what;
    for (int sheet = 1; sheet <= 7; ++sheet)
        what.formulaResults << resultsFor(sheet, false);
    QVERIFY2(finishPackage(path, what, &error), qPrintable(error));
    QString failure;
    const QJsonObject sheets = runPythonJson(python, read, {path}, &failure);
    QVERIFY2(!sheets.isEmpty(), qPrintable(failure));
    for (int sheet = 1; sheet <= 7; ++sheet) {
        const QJsonObject cells = sheets[QStringLiteral("sheet%1.xml").arg(sheet)].toObject();
        for (int row = 2; row <= 4; ++row) {
            const QJsonArray number = cells[QStringLiteral("B%1").arg(row)].toArray();
            QCOMPARE(number, (QJsonArray{"n", QString::number(sheet * 100.0 + row + 0.5), true}));
            const QJsonArray text = cells[QStringLiteral("C%1").arg(row)].toArray();
            if (sheet == 4 && row == 3)
                QCOMPARE(text, (QJsonArray{"", "5", false}));
            else
                QCOMPARE(text, (QJsonArray{"str", QStringLiteral("<%1 & %2>").arg(sheet).arg(row), true}));
        }
    }
}

QTEST_GUILESS_MAIN(OoxmlPackageTest)
#include "ooxml_package_test.moc"
