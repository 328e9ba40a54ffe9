// The pure pieces of package finishing: password hash, range texts, the XML edits
// of the workbook and sheet parts, and part names.
#include "EncryptedContainer.h"
#include "PackageParts.h"
#include "PasswordHash.h"
#include "ViewEdits.h"
#include "Sqref.h"
#include "WorkbookEdits.h"
#include "WorksheetEdits.h"
#include "ooxml_python.h"

#include <QElapsedTimer>
#include <QXmlStreamReader>
#include <QtTest>

using namespace ooxml;

namespace {

// Local names of the document element's children, read by Qt's own parser; empty
// with `wellFormed` false when the text is not well-formed XML.
QStringList rootChildren(const QByteArray &xml, bool *wellFormed)
{
    QXmlStreamReader reader(xml);
    QStringList names;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (depth == 1)
                names << reader.qualifiedName().toString();
            ++depth;
        } else if (reader.isEndElement()) {
            --depth;
        }
    }
    *wellFormed = !reader.hasError();
    return *wellFormed ? names : QStringList();
}

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

QByteArray bigSheet(int rows)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet " + kMain
                     + "><dimension ref=\"A1:F" + QByteArray::number(rows) + "\"/><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        xml += "<row r=\"" + n + "\">";
        for (const char *col : {"A", "B", "C", "D", "E", "F"})
            xml += QByteArray("<c r=\"") + col + n + "\" t=\"inlineStr\"><is><t>v&lt;" + n + "&gt;</t></is></c>";
        xml += "</row>";
    }
    return xml + "</sheetData><sheetProtection sheet=\"1\"/><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/>"
                 "</mergeCells><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
                 "header=\"0.3\" footer=\"0.3\"/></worksheet>";
}

} // namespace

class OoxmlPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void passwordHashVectors_data();
    void passwordHashVectors();
    void passwordHashAgreesWithHashlib();
    void protectionHashVerifies();

    void sqrefNormalised_data();
    void sqrefNormalised();
    void sqrefRefused_data();
    void sqrefRefused();

    void workbookProtectionInOrder_data();
    void workbookProtectionInOrder();
    void workbookProtectionCarriesHash();
    void workbookPartRefused_data();
    void workbookPartRefused();

    void protectedRangesInOrder_data();
    void protectedRangesInOrder();
    void protectedRangeAttributesEscaped();
    void largeSheetEditedInPlace();
    void sheetPartRefused_data();
    void sheetPartRefused();

    void partNamesResolved_data();
    void partNamesResolved();
    void workbookSheetsRead();
    void dataSpaceStreamsLaidOut();
    void activeSheetViewsSet();
};

// Expected values computed independently with python's hashlib.
void OoxmlPartsTest::passwordHashVectors_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("salt");
    QTest::addColumn<int>("spins");
    QTest::addColumn<QString>("expected");
    QByteArray counting;
    for (int i = 0; i < 16; ++i)
        counting.append(char(i));
    QTest::newRow("ascii, 100000 spins") << QStringLiteral("Secret") << counting << 100000
        << QStringLiteral("b9w2ONZbhUOkdUOdte2aAwCXoqsljjL2RpK/8/rorgrG9Pj1pDsqmgyFJ0oISVqufTjsfWjS259W5tuJB8qWAg==");
    QTest::newRow("non-latin, 1000 spins") << QStringLiteral("密码Ω")
        << QByteArray::fromHex("00112233445566778899aabbccddeeff") << 1000
        << QStringLiteral("o7ZoYtBNaf5wDuAib03IdaBfOF/pJKM/lNNGxwZkK3JYi12xtHq9evEY+XjUsekLT4GTsTy2wMzSGo4t5Ts2Lg==");
    QTest::newRow("empty, no spins") << QString() << counting << 0
        << QStringLiteral("2qKVvu1OLulMJAFbVq9ia08h759E8rPUD8QckJAKa/G0hnxDxXzaVNG2/Uhps/I87V4Lo8BdCxaA307H0HYkAw==");
}

void OoxmlPartsTest::passwordHashVectors()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, salt);
    QFETCH(int, spins);
    QFETCH(QString, expected);
    QCOMPARE(excelPasswordHash(password, salt, spins), expected);
}

void OoxmlPartsTest::passwordHashAgreesWithHashlib()
{
    const QString python = ooxmltest::pythonWith({QStringLiteral("hashlib")});
    if (python.isEmpty())
        QSKIP("python3 is not available");
    const QString script = QStringLiteral(
        "import sys, hashlib, base64\n"
        "pw, salt, spins = sys.argv[1], base64.b64decode(sys.argv[2]), int(sys.argv[3])\n"
        "d = hashlib.sha512(salt + pw.encode('utf-16-le')).digest()\n"
        "for i in range(spins):\n"
        "    d = hashlib.sha512(d + i.to_bytes(4, 'little')).digest()\n"
        "print(base64.b64encode(d).decode())\n");
    const QString password = QStringLiteral("Pä$$ wörd 汇总 ") + QString::number(QRandomGenerator::global()->generate());
    QByteArray salt;
    for (int i = 0; i < 16; ++i)
        salt.append(char(QRandomGenerator::global()->bounded(256)));
    const auto run = ooxmltest::runPython(python, script,
                                          {password, QString::fromLatin1(salt.toBase64()), QStringLiteral("100000")});
    QVERIFY2(run.ok(), run.err.constData());
    QCOMPARE(excelPasswordHash(password, salt), QString::fromUtf8(run.out).trimmed());
}

void OoxmlPartsTest::protectionHashVerifies()
{
    ProtectionHash first, second;
    QVERIFY(makeProtectionHash(QStringLiteral("structure"), &first, 1000));
    QVERIFY(makeProtectionHash(QStringLiteral("structure"), &second, 1000));
    QCOMPARE(first.algorithmName, QStringLiteral("SHA-512"));
    QCOMPARE(QByteArray::fromBase64(first.saltValue.toLatin1()).size(), 16);
    QVERIFY2(first.saltValue != second.saltValue, "every hash gets its own salt");
    QVERIFY(verifyProtectionHash(QStringLiteral("structure"), first));
    QVERIFY(verifyProtectionHash(QStringLiteral("structure"), second));
    QVERIFY(!verifyProtectionHash(QStringLiteral("Structure"), first));
    QVERIFY(!verifyProtectionHash(QString(), first));
    ProtectionHash swapped = first;
    swapped.saltValue = second.saltValue;
    QVERIFY(!verifyProtectionHash(QStringLiteral("structure"), swapped));
}

void OoxmlPartsTest::sqrefNormalised_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sqref");
    QTest::newRow("plain") << "B3:F20" << "B3:F20";
    QTest::newRow("comma list") << "A2:B9,D2:E9" << "A2:B9 D2:E9";
    QTest::newRow("semicolons and blanks") << " A2:B9 ; D2:E57 ,G1 " << "A2:B9 D2:E57 G1";
    QTest::newRow("absolute, lower case") << "$b$3:$f$20" << "B3:F20";
    QTest::newRow("reversed corners") << "F20:B3" << "B3:F20";
    QTest::newRow("crossed corners") << "B20:F3" << "B3:F20";
    QTest::newRow("single cell") << "C5" << "C5";
    QTest::newRow("one-cell area") << "C5:C5" << "C5";
    QTest::newRow("whole columns") << "B:D" << "B1:D1048576";
    QTest::newRow("whole rows") << "3:5" << "A3:XFD5";
    QTest::newRow("last cell") << "XFD1048576" << "XFD1048576";
}

void OoxmlPartsTest::sqrefNormalised()
{
    QFETCH(QString, typed);
    QFETCH(QString, sqref);
    QString error;
    QCOMPARE(normalizeSqref(typed, &error), sqref);
    QVERIFY(error.isEmpty());
}

void OoxmlPartsTest::sqrefRefused_data()
{
    QTest::addColumn<QString>("typed");
    for (const char *text : {"", " , ", "B3:F", "B", "XFE1", "A0", "A1048577", "A1:B2:C3", "Sheet1!A1:B2",
                             "A1:-B2", "1A", "A1:B2)", "=A1", "$", "A$"})
        QTest::newRow(text) << QString::fromLatin1(text);
}

void OoxmlPartsTest::sqrefRefused()
{
    QFETCH(QString, typed);
    QString error;
    QCOMPARE(normalizeSqref(typed, &error), QString());
    QVERIFY(!error.isEmpty());
}

// In the rows below "@" marks where the new element must stand in the result.
void OoxmlPartsTest::workbookProtectionInOrder_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("element");
    const QByteArray plain = "<workbookProtection lockStructure=\"1\"/>";

    QTest::newRow("as Calc writes it, old protection replaced")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workbook " + kMain
               + "><fileVersion appName=\"Calc\"/><workbookPr backupFile=\"false\" date1904=\"false\"/>"
                 "<workbookProtection lockWindows=\"false\"/><bookViews><workbookView activeTab=\"0\"/></bookViews>"
                 "<sheets><sheet name=\"A\" sheetId=\"1\" state=\"visible\" r:id=\"rId2\"/></sheets>"
                 "<calcPr iterateCount=\"100\"/></workbook>"
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workbook " + kMain
               + "><fileVersion appName=\"Calc\"/><workbookPr backupFile=\"false\" date1904=\"false\"/>"
                 "@<bookViews><workbookView activeTab=\"0\"/></bookViews>"
                 "<sheets><sheet name=\"A\" sheetId=\"1\" state=\"visible\" r:id=\"rId2\"/></sheets>"
                 "<calcPr iterateCount=\"100\"/></workbook>"
        << plain;
    const QByteArray excelHead =
        "<workbook " + kMain + " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
        "mc:Ignorable=\"x15 xr\" xmlns:x15=\"http://schemas.microsoft.com/office/spreadsheetml/2010/11/main\" "
        "xmlns:xr=\"http://schemas.microsoft.com/office/spreadsheetml/2014/revision\">\r\n"
        "<fileVersion appName=\"xl\" lastEdited=\"7\"/><workbookPr defaultThemeVersion=\"166925\"/>"
        "<mc:AlternateContent><mc:Choice Requires=\"x15\"><x15ac:absPath url=\"C:\\a\\\" "
        "xmlns:x15ac=\"http://schemas.microsoft.com/office/spreadsheetml/2010/11/ac\"/></mc:Choice>"
        "</mc:AlternateContent><xr:revisionPtr revIDLastSave=\"0\"/>";
    QTest::newRow("with markup-compatibility wrappers")
        << excelHead + "<bookViews/><sheets/><definedNames/></workbook>"
        << excelHead + "@<bookViews/><sheets/><definedNames/></workbook>" << plain;
    QTest::newRow("prefixed elements")
        << QByteArray("<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                      "<x:workbookPr/><x:sheets><x:sheet name=\"S\"/></x:sheets></x:workbook>")
        << QByteArray("<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                      "<x:workbookPr/>@<x:sheets><x:sheet name=\"S\"/></x:sheets></x:workbook>")
        << QByteArray("<x:workbookProtection lockStructure=\"1\"/>");
    QTest::newRow("markup look-alikes in comments and attributes")
        << QByteArray("<workbook><!-- <bookViews> --><fileVersion appName=\"a>b\"/><?pi <sheets/>?>"
                      "<sheets><sheet name=\"&lt;bookViews&gt;\"/></sheets></workbook>")
        << QByteArray("<workbook><!-- <bookViews> --><fileVersion appName=\"a>b\"/><?pi <sheets/>?>"
                      "@<sheets><sheet name=\"&lt;bookViews&gt;\"/></sheets></workbook>")
        << plain;
    QTest::newRow("nothing after it")
        << QByteArray("<workbook><fileVersion/>\n</workbook>") << QByteArray("<workbook><fileVersion/>\n@</workbook>")
        << plain;
    QTest::newRow("several old ones")
        << QByteArray("<workbook><workbookProtection/><workbookPr/><workbookProtection lockRevision=\"1\">"
                      "</workbookProtection><sheets/></workbook>")
        << QByteArray("<workbook><workbookPr/>@<sheets/></workbook>") << plain;
}

void OoxmlPartsTest::workbookProtectionInOrder()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, element);
    QByteArray out;
    QString error;
    QVERIFY2(lockWorkbookStructure(input, nullptr, &out, &error), qPrintable(error));
    QCOMPARE(out, QByteArray(expected).replace("@", element));
    bool wellFormed = false;
    rootChildren(out, &wellFormed);
    QVERIFY(wellFormed);
}

void OoxmlPartsTest::workbookProtectionCarriesHash()
{
    ProtectionHash hash;
    QVERIFY(makeProtectionHash(QStringLiteral("wb"), &hash, 10));
    const QByteArray input = "<workbook " + kMain + "><workbookPr/><bookViews/><sheets/></workbook>";
    QByteArray out;
    QVERIFY(lockWorkbookStructure(input, &hash, &out, nullptr));
    bool wellFormed = false;
    QCOMPARE(rootChildren(out, &wellFormed),
             QStringList({"workbookPr", "workbookProtection", "bookViews", "sheets"}));

    QXmlStreamReader reader(out);
    while (!(reader.isStartElement() && reader.name() == QLatin1String("workbookProtection")))
        reader.readNext();
    const QXmlStreamAttributes a = reader.attributes();
    ProtectionHash read;
    read.algorithmName = a.value("workbookAlgorithmName").toString();
    read.hashValue = a.value("workbookHashValue").toString();
    read.saltValue = a.value("workbookSaltValue").toString();
    read.spinCount = a.value("workbookSpinCount").toInt();
    QCOMPARE(a.value("lockStructure").toString(), QStringLiteral("1"));
    QCOMPARE(read.spinCount, 10);
    QVERIFY(verifyProtectionHash(QStringLiteral("wb"), read));
}

void OoxmlPartsTest::workbookPartRefused_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("unclosed element") << QByteArray("<workbook><sheets></workbook>");
    QTest::newRow("truncated") << QByteArray("<workbook><sheets/>");
    QTest::newRow("entity declarations") << QByteArray("<!DOCTYPE w [<!ENTITY a \"b\">]><workbook/>");
    QTest::newRow("not a workbook") << QByteArray("<worksheet><sheetData/></worksheet>");
    QTest::newRow("utf-16") << QByteArray("\xff\xfe<\0w\0/\0>\0", 10);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("unterminated tag") << QByteArray("<workbook><sheets attr=\"x/></workbook>");
}

void OoxmlPartsTest::workbookPartRefused()
{
    QFETCH(QByteArray, input);
    QByteArray out = "untouched";
    QString error;
    QVERIFY(!lockWorkbookStructure(input, nullptr, &out, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(out, QByteArray("untouched"));
}

void OoxmlPartsTest::protectedRangesInOrder_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("element");
    const QByteArray one = "<protectedRanges><protectedRange name=\"allowEditRange1\" sqref=\"B3:F20\"/></protectedRanges>";
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet " + kMain + ">";
    const QByteArray data = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>";

    QTest::newRow("as Calc writes an unprotected sheet")
        << head + "<sheetPr filterMode=\"false\"/><dimension ref=\"A1\"/><sheetViews><sheetView/></sheetViews>"
                  "<sheetFormatPr defaultRowHeight=\"12.8\"/><cols><col min=\"1\" max=\"1\" width=\"11\"/></cols>"
               + data + "<printOptions/><pageMargins left=\"0.7\"/><pageSetup/><headerFooter/></worksheet>"
        << head + "<sheetPr filterMode=\"false\"/><dimension ref=\"A1\"/><sheetViews><sheetView/></sheetViews>"
                  "<sheetFormatPr defaultRowHeight=\"12.8\"/><cols><col min=\"1\" max=\"1\" width=\"11\"/></cols>"
               + data + "@<printOptions/><pageMargins left=\"0.7\"/><pageSetup/><headerFooter/></worksheet>"
        << one;
    QTest::newRow("after sheet protection, before filter, merges and links")
        << head + data + "<sheetProtection sheet=\"true\" objects=\"true\"/><autoFilter ref=\"A1:F9\"/>"
                         "<mergeCells count=\"1\"><mergeCell ref=\"A1:F1\"/></mergeCells>"
                         "<hyperlinks><hyperlink ref=\"A3\" r:id=\"rId1\"/></hyperlinks><pageMargins/></worksheet>"
        << head + data + "<sheetProtection sheet=\"true\" objects=\"true\"/>@<autoFilter ref=\"A1:F9\"/>"
                         "<mergeCells count=\"1\"><mergeCell ref=\"A1:F1\"/></mergeCells>"
                         "<hyperlinks><hyperlink ref=\"A3\" r:id=\"rId1\"/></hyperlinks><pageMargins/></worksheet>"
        << one;
    QTest::newRow("before scenarios")
        << head + data + "<sheetCalcPr fullCalcOnLoad=\"1\"/><sheetProtection/><scenarios/><legacyDrawing r:id=\"x\"/></worksheet>"
        << head + data + "<sheetCalcPr fullCalcOnLoad=\"1\"/><sheetProtection/>@<scenarios/><legacyDrawing r:id=\"x\"/></worksheet>"
        << one;
    QTest::newRow("sheet data only")
        << QByteArray("<worksheet><sheetData/></worksheet>") << QByteArray("<worksheet><sheetData/>@</worksheet>")
        << one;
    QTest::newRow("look-alikes inside the data")
        << head + "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                  "&lt;autoFilter/&gt; a>b</t></is></c><c r=\"B1\" s=\"a/>b\"/></row><!-- <mergeCells/> -->"
                  "<![CDATA[</sheetData><hyperlinks>]]></sheetData><hyperlinks/></worksheet>"
        << head + "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                  "&lt;autoFilter/&gt; a>b</t></is></c><c r=\"B1\" s=\"a/>b\"/></row><!-- <mergeCells/> -->"
                  "<![CDATA[</sheetData><hyperlinks>]]></sheetData>@<hyperlinks/></worksheet>"
        << one;
    QTest::newRow("prefixed elements")
        << QByteArray("<x:worksheet xmlns:x=\"urn:main\"><x:sheetData/><x:pageMargins/></x:worksheet>")
        << QByteArray("<x:worksheet xmlns:x=\"urn:main\"><x:sheetData/>@<x:pageMargins/></x:worksheet>")
        << QByteArray("<x:protectedRanges><x:protectedRange name=\"allowEditRange1\" sqref=\"B3:F20\"/>"
                      "</x:protectedRanges>");
    QTest::newRow("other namespaces do not decide")
        << QByteArray("<worksheet xmlns:mc=\"urn:mc\"><sheetData/><mc:AlternateContent><mc:Choice/>"
                      "</mc:AlternateContent><pageMargins/></worksheet>")
        << QByteArray("<worksheet xmlns:mc=\"urn:mc\"><sheetData/><mc:AlternateContent><mc:Choice/>"
                      "</mc:AlternateContent>@<pageMargins/></worksheet>")
        << one;
    QTest::newRow("joins a range of another name")
        << QByteArray("<worksheet><sheetData/><protectedRanges>\n  <protectedRange name=\"Mine\" sqref=\"A1\"/>\n"
                      "</protectedRanges><pageMargins/></worksheet>")
        << QByteArray("<worksheet><sheetData/><protectedRanges>\n  <protectedRange name=\"Mine\" sqref=\"A1\"/>\n"
                      "@</protectedRanges><pageMargins/></worksheet>")
        << QByteArray("<protectedRange name=\"allowEditRange1\" sqref=\"B3:F20\"/>");
    QTest::newRow("replaces a range of the same name")
        << QByteArray("<worksheet><sheetData/><protectedRanges><protectedRange name=\"Mine\" sqref=\"A1\"/>"
                      "<protectedRange sqref=\"Z9\" name=\"AllowEditRange1\"><securityDescriptor>x</securityDescriptor>"
                      "</protectedRange></protectedRanges></worksheet>")
        << QByteArray("<worksheet><sheetData/><protectedRanges><protectedRange name=\"Mine\" sqref=\"A1\"/>"
                      "@</protectedRanges></worksheet>")
        << QByteArray("<protectedRange name=\"allowEditRange1\" sqref=\"B3:F20\"/>");
    QTest::newRow("opens an empty element")
        << QByteArray("<worksheet><sheetData/><protectedRanges /><mergeCells/></worksheet>")
        << QByteArray("<worksheet><sheetData/><protectedRanges >@</protectedRanges><mergeCells/></worksheet>")
        << QByteArray("<protectedRange name=\"allowEditRange1\" sqref=\"B3:F20\"/>");
}

void OoxmlPartsTest::protectedRangesInOrder()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, element);
    QByteArray out;
    QString error;
    QVERIFY2(addProtectedRanges(input, {{QStringLiteral("allowEditRange1"), QStringLiteral("B3:F20")}}, &out, &error),
             qPrintable(error));
    QCOMPARE(out, QByteArray(expected).replace("@", element));
    bool wellFormed = false;
    rootChildren(out, &wellFormed);
    QVERIFY(wellFormed);
}

void OoxmlPartsTest::protectedRangeAttributesEscaped()
{
    QByteArray out;
    const QString odd = QStringLiteral("a\"b<c>&'d 汇总");
    QVERIFY(addProtectedRanges("<worksheet><sheetData/></worksheet>", {{odd, QStringLiteral("A1 C3:D4")}}, &out, nullptr));
    QXmlStreamReader reader(out);
    while (!reader.atEnd() && !(reader.isStartElement() && reader.name() == QLatin1String("protectedRange")))
        reader.readNext();
    QVERIFY(!reader.hasError());
    QCOMPARE(reader.attributes().value("name").toString(), odd);
    QCOMPARE(reader.attributes().value("sqref").toString(), QStringLiteral("A1 C3:D4"));
}

void OoxmlPartsTest::largeSheetEditedInPlace()
{
    const QByteArray input = bigSheet(50000);
    QVERIFY(input.size() > 10 * 1000 * 1000);
    QByteArray out;
    QString error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY2(addProtectedRanges(input, {{QStringLiteral("allowEditRange1"), QStringLiteral("A2:B9 D2:E9")}}, &out, &error),
             qPrintable(error));
    QVERIFY2(timer.elapsed() < 5000, "a sheet of 50,000 rows takes seconds at most");

    const QByteArray element = "<protectedRanges><protectedRange name=\"allowEditRange1\" sqref=\"A2:B9 D2:E9\"/>"
                               "</protectedRanges>";
    const int at = out.indexOf(element);
    QCOMPARE(at, input.indexOf("<mergeCells"));
    QCOMPARE(out.left(at) + out.mid(at + element.size()), input);
    bool wellFormed = false;
    QCOMPARE(rootChildren(out, &wellFormed),
             QStringList({"dimension", "sheetData", "sheetProtection", "protectedRanges", "mergeCells", "pageMargins"}));
}

void OoxmlPartsTest::sheetPartRefused_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("rows not closed") << QByteArray("<worksheet><sheetData><row></sheetData></worksheet>");
    QTest::newRow("crossed elements") << QByteArray("<worksheet><sheetData><row></sheetData></row></worksheet>");
    QTest::newRow("unterminated comment") << QByteArray("<worksheet><!-- <sheetData/></worksheet>");
    QTest::newRow("not a worksheet") << QByteArray("<chartsheet><sheetPr/></chartsheet>");
    QTest::newRow("empty root") << QByteArray("<worksheet/>");
}

void OoxmlPartsTest::sheetPartRefused()
{
    QFETCH(QByteArray, input);
    QByteArray out = "untouched";
    QString error;
    QVERIFY(!addProtectedRanges(input, {{QStringLiteral("r"), QStringLiteral("A1")}}, &out, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(out, QByteArray("untouched"));
}

void OoxmlPartsTest::partNamesResolved_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("part");
    QTest::newRow("relative") << "xl/workbook.xml" << "worksheets/sheet1.xml" << "xl/worksheets/sheet1.xml";
    QTest::newRow("absolute") << "xl/workbook.xml" << "/xl/worksheets/sheet2.xml" << "xl/worksheets/sheet2.xml";
    QTest::newRow("dot segments") << "xl/workbook.xml" << "./worksheets/../worksheets/s.xml" << "xl/worksheets/s.xml";
    QTest::newRow("parent") << "xl/worksheets/sheet1.xml" << "../drawings/d1.xml" << "xl/drawings/d1.xml";
    QTest::newRow("escaped") << "xl/workbook.xml" << "worksheets/sheet%201.xml" << "xl/worksheets/sheet 1.xml";
    QTest::newRow("package root") << "" << "xl/workbook.xml" << "xl/workbook.xml";
    QTest::newRow("leaves the package") << "xl/workbook.xml" << "../../etc/passwd" << "";
    QTest::newRow("external") << "xl/workbook.xml" << "http://example.invalid/a.xml" << "";
}

void OoxmlPartsTest::partNamesResolved()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, part);
    QCOMPARE(resolvePartName(source, target), part);
}

void OoxmlPartsTest::workbookSheetsRead()
{
    QCOMPARE(relationshipsPartName(QStringLiteral("xl/workbook.xml")), QStringLiteral("xl/_rels/workbook.xml.rels"));
    QCOMPARE(relationshipsPartName(QStringLiteral("book.xml")), QStringLiteral("_rels/book.xml.rels"));

    const QByteArray workbook =
        "<workbook " + kMain + "><sheets><sheet name=\"A&amp;B\" sheetId=\"1\" r:id=\"rId3\"/>"
        "<sheet name=\"&#27719;&#24635;\" sheetId=\"2\" r:id=\"rId4\"/></sheets></workbook>";
    QList<SheetEntry> sheets;
    QVERIFY(parseWorkbookSheets(workbook, &sheets, nullptr));
    QCOMPARE(sheets.size(), 2);
    QCOMPARE(sheets.at(0).name, QStringLiteral("A&B"));
    QCOMPARE(sheets.at(0).relationshipId, QStringLiteral("rId3"));
    QCOMPARE(sheets.at(1).name, QStringLiteral("汇总"));

    const QByteArray rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId9\" Type=\"x/hyperlink\" Target=\"http://a\" "
        "TargetMode=\"External\"/></Relationships>";
    QList<Relationship> relationships;
    QVERIFY(parseRelationships(rels, &relationships, nullptr));
    QCOMPARE(relationships.size(), 2);
    QCOMPARE(relationships.at(0).target, QStringLiteral("worksheets/sheet1.xml"));
    QVERIFY(!relationships.at(0).external);
    QVERIFY(relationships.at(1).external);
    QVERIFY(!parseRelationships("<Relationships>", &relationships, nullptr));
}

// Byte counts as the office's own encrypted files carry them.
void OoxmlPartsTest::dataSpaceStreamsLaidOut()
{
    const QByteArray map = dataSpaceMapStream();
    QCOMPARE(map.size(), 112);
    QCOMPARE(map.mid(8, 4), QByteArray("\x68\0\0\0", 4));
    QCOMPARE(dataSpaceVersionStream().size(), 76);
    QCOMPARE(strongEncryptionDataSpaceStream().size(), 64);
    const QByteArray primary = primaryTransformStream();
    QCOMPARE(primary.left(8), QByteArray("\x58\0\0\0\x01\0\0\0", 8));
    QCOMPARE(primary.size(), 200);
}

QTEST_GUILESS_MAIN(OoxmlPartsTest)

// The sheet a workbook opens on: the workbook view's activeTab and the sheet views'
// tabSelected, replaced where they stand or added, whatever else the tags hold.
void OoxmlPartsTest::activeSheetViewsSet()
{
    QCOMPARE(withAttribute("<workbookView activeTab=\"0\" firstSheet=\"0\"/>", "activeTab", "2"),
             QByteArray("<workbookView activeTab=\"2\" firstSheet=\"0\"/>"));
    QCOMPARE(withAttribute("<workbookView xWindow='0'>", "activeTab", "1"),
             QByteArray("<workbookView xWindow='0' activeTab=\"1\">"));
    QCOMPARE(withAttribute("<x:sheetView tabSelected='true' zoom=\"90\"/>", "tabSelected", "0"),
             QByteArray("<x:sheetView tabSelected=\"0\" zoom=\"90\"/>"));
    // An attribute whose name only ends like the one set is left alone.
    QCOMPARE(withAttribute("<workbookView xactiveTab=\"5\"/>", "activeTab", "1"),
             QByteArray("<workbookView xactiveTab=\"5\" activeTab=\"1\"/>"));

    const QByteArray workbook = "<workbook " + kMain + "><bookViews><workbookView activeTab=\"0\"/>"
                                "<workbookView/></bookViews><sheets/></workbook>";
    QByteArray out;
    QVERIFY(setActiveTab(workbook, 1, &out, nullptr));
    QCOMPARE(out, "<workbook " + kMain + "><bookViews><workbookView activeTab=\"1\"/>"
                  "<workbookView activeTab=\"1\"/></bookViews><sheets/></workbook>");

    const QByteArray sheet = "<worksheet " + kMain + "><sheetViews><sheetView tabSelected=\"true\" workbookViewId=\"0\">"
                             "<selection activeCell=\"A1\"/></sheetView></sheetViews><sheetData/></worksheet>";
    QVERIFY(setTabSelected(sheet, false, &out, nullptr));
    QCOMPARE(out, "<worksheet " + kMain + "><sheetViews><sheetView tabSelected=\"0\" workbookViewId=\"0\">"
                  "<selection activeCell=\"A1\"/></sheetView></sheetViews><sheetData/></worksheet>");
    QVERIFY(!setTabSelected("<worksheet><sheetViews>", true, &out, nullptr));

    // A view that already says so keeps its bytes, in either spelling, and an
    // unselected tab needs no attribute: such a part is copied, not rewritten.
    const QByteArray selected = "<worksheet " + kMain + "><sheetViews><sheetView tabSelected='true'/>"
                                "<sheetView tabSelected=\"1\"/></sheetViews></worksheet>";
    QVERIFY(setTabSelected(selected, true, &out, nullptr));
    QCOMPARE(out, selected);
    const QByteArray plain = "<worksheet " + kMain + "><sheetViews><sheetView workbookViewId=\"0\"/>"
                             "<sheetView tabSelected=\"false\"/></sheetViews></worksheet>";
    QVERIFY(setTabSelected(plain, false, &out, nullptr));
    QCOMPARE(out, plain);
    QVERIFY(setTabSelected(plain, true, &out, nullptr));
    QCOMPARE(out, "<worksheet " + kMain + "><sheetViews><sheetView workbookViewId=\"0\" tabSelected=\"1\"/>"
                  "<sheetView tabSelected=\"1\"/></sheetViews></worksheet>");
}

#include "ooxml_parts_test.moc"
