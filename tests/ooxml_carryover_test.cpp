// What the package finishing takes back from the source into the office's
// parts: panes, comment authors, built-in date formats, and the names a copy
// should not keep. Each edit must leave well-formed XML and touch nothing else.
#include "BuiltinFormats.h"
#include "CommentCarryOver.h"
#include "DefaultFont.h"
#include "ViewEdits.h"
#include "WorkbookEdits.h"

#include <QXmlStreamReader>
#include <QtTest>

using namespace ooxml;

namespace {

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

bool wellFormed(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

QByteArray sheet(const QByteArray &views)
{
    return "<worksheet " + kMain + "><sheetViews>" + views + "</sheetViews><sheetData/></worksheet>";
}

// A sheet view as the office writes it.
const QByteArray kOfficeView = "<sheetView tabSelected=\"1\" workbookViewId=\"0\"><selection pane=\"topLeft\" "
                               "activeCell=\"A1\" sqref=\"A1\"/></sheetView>";

} // namespace

class OoxmlCarryOverTest : public QObject
{
    Q_OBJECT

private slots:
    void paneCopied_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<bool>("fromTheSplit");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray frozen = "<sheetView workbookViewId=\"0\"><pane xSplit=\"1\" ySplit=\"2\" topLeftCell=\"B40\" "
                                  "activePane=\"bottomRight\" state=\"frozen\"/><selection pane=\"bottomRight\" "
                                  "activeCell=\"C41\" sqref=\"C41\"/></sheetView>";
        QTest::newRow("same sheet: pane and selection as the source has them")
            << sheet(frozen) << sheet(kOfficeView) << false
            << sheet("<sheetView tabSelected=\"1\" workbookViewId=\"0\"><pane xSplit=\"1\" ySplit=\"2\" "
                     "topLeftCell=\"B40\" activePane=\"bottomRight\" state=\"frozen\"/><selection "
                     "pane=\"bottomRight\" activeCell=\"C41\" sqref=\"C41\"/></sheetView>");
        QTest::newRow("copy: starts at the split, its first cell selected")
            << sheet(frozen) << sheet(kOfficeView) << true
            << sheet("<sheetView tabSelected=\"1\" workbookViewId=\"0\"><pane xSplit=\"1\" ySplit=\"2\" "
                     "topLeftCell=\"B3\" activePane=\"bottomRight\" state=\"frozen\"/><selection "
                     "pane=\"bottomRight\" activeCell=\"B3\" sqref=\"B3\"/></sheetView>");
        QTest::newRow("a self-closing view takes the pane in")
            << sheet("<x:sheetView workbookViewId=\"0\"><x:pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                     "state=\"frozen\"/></x:sheetView>").replace("<sheetViews>", "<sheetViews xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">")
            << sheet("<sheetView workbookViewId=\"0\"/>") << false
            << sheet("<sheetView workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                     "state=\"frozen\"/></sheetView>");
        QTest::newRow("no pane in the source: nothing changes")
            << sheet("<sheetView workbookViewId=\"0\"/>") << sheet(kOfficeView) << true << sheet(kOfficeView);
    }

    void paneCopied()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, result);
        QFETCH(bool, fromTheSplit);
        QFETCH(QByteArray, expected);
        SheetPane pane;
        const QByteArray out = readPane(source, &pane) ? withPane(result, pane, fromTheSplit) : result;
        QCOMPARE(out, expected);
        QVERIFY(wellFormed(out));
    }

    // Authors and text runs come back by the comment's text; a comment the
    // source does not have keeps the office's author.
    void commentAuthorsByText()
    {
        const QByteArray source = "<comments " + kMain + "><authors><author>李四</author><author>张三</author></authors>"
                                  "<commentList><comment ref=\"B3\" authorId=\"1\"><text><r><rPr><b/><sz val=\"9\"/>"
                                  "<rFont val=\"宋体\"/></rPr><t>请核对 &amp; 签字</t></r></text></comment></commentList></comments>";
        const QByteArray result = "<comments " + kMain + "><authors><author> </author></authors><commentList>"
                                  "<comment ref=\"B2\" authorId=\"0\"><text><r><rPr><rFont val=\"WenQuanYi Micro Hei\"/></rPr>"
                                  "<t xml:space=\"preserve\">请核对 &amp; 签字</t></r></text></comment>"
                                  "<comment ref=\"C9\" authorId=\"0\"><text><r><t>新的</t></r></text></comment>"
                                  "</commentList></comments>";
        QByteArray out;
        QString error;
        QVERIFY2(carryComments(source, result, &out, &error), qPrintable(error));
        QVERIFY(wellFormed(out));
        QCOMPARE(out, QByteArray("<comments " + kMain + "><authors><author> </author><author>张三</author></authors>"
                                 "<commentList><comment ref=\"B2\" authorId=\"1\"><text><r><rPr><b/><sz val=\"9\"/>"
                                 "<rFont val=\"宋体\"/></rPr><t>请核对 &amp; 签字</t></r></text></comment>"
                                 "<comment ref=\"C9\" authorId=\"0\"><text><r><t>新的</t></r></text></comment>"
                                 "</commentList></comments>"));
    }

    void builtinDateFormats_data()
    {
        QTest::addColumn<QByteArray>("sourceFormats");
        QTest::addColumn<QByteArray>("sourceIds");
        QTest::addColumn<QByteArray>("expectedIds");

        QTest::newRow("both built-ins used") << QByteArray() << QByteArray("14,22") << QByteArray("164,14,22");
        QTest::newRow("only the date used") << QByteArray() << QByteArray("14") << QByteArray("164,14,166");
        QTest::newRow("the same code is the source's own")
            << QByteArray("<numFmts count=\"1\"><numFmt numFmtId=\"170\" formatCode=\"m/d/yyyy\"/></numFmts>")
            << QByteArray("14,170,22") << QByteArray("164,165,22");
    }

    // The office's fixed codes for the locale's short date and date-time go
    // back to the built-in formats where the source used them.
    void builtinDateFormats()
    {
        QFETCH(QByteArray, sourceFormats);
        QFETCH(QByteArray, sourceIds);
        QFETCH(QByteArray, expectedIds);
        const auto styles = [](const QByteArray &formats, const QByteArray &ids) {
            QByteArray xfs;
            for (const QByteArray &id : ids.split(','))
                xfs += "<xf numFmtId=\"" + id + "\" fontId=\"0\"/>";
            return "<styleSheet " + kMain + ">" + formats + "<cellXfs count=\"3\">" + xfs + "</cellXfs></styleSheet>";
        };
        const QByteArray officeFormats = "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"General\"/>"
                                         "<numFmt numFmtId=\"165\" formatCode=\"m/d/yyyy\"/>"
                                         "<numFmt numFmtId=\"166\" formatCode=\"m/d/yyyy\\ h:mm\"/></numFmts>";
        QByteArray out;
        QString error;
        QVERIFY2(restoreBuiltinDateFormats(styles(sourceFormats, sourceIds), styles(officeFormats, "164,165,166"), &out, &error),
                 qPrintable(error));
        QCOMPARE(out, styles(officeFormats, expectedIds));
    }

    void defaultFontBack_data()
    {
        QTest::addColumn<QByteArray>("sourceStyles");
        QTest::addColumn<QByteArray>("expectedNames");
        QTest::newRow("an unnamed font takes the source's first")
            << QByteArray("<styleSheet " + kMain + "><fonts><font><name val=\"Verdana\"/></font><font><b/></font>"
                          "</fonts></styleSheet>")
            << QByteArray("Verdana,Arial,Verdana,Verdana");
        QTest::newRow("no styles part: Excel's own default") << QByteArray() << QByteArray("Calibri,Arial,Calibri,Calibri");
    }

    // Fonts the office named after its own default get the source's back; the
    // office's Arial cell styles and the source's own names stay.
    void defaultFontBack()
    {
        QFETCH(QByteArray, sourceStyles);
        QFETCH(QByteArray, expectedNames);
        const auto styles = [](const QList<QByteArray> &names) {
            QByteArray fonts;
            for (const QByteArray &name : names)
                fonts += "<font><sz val=\"10\"/><name val=\"" + name + "\"/></font>";
            return "<styleSheet " + kMain + "><fonts count=\"4\">" + fonts + "</fonts></styleSheet>";
        };
        QByteArray out;
        QString error;
        const QByteArray result = styles({"DejaVu Sans", "Arial", "DejaVu Sans", "Verdana"});
        QVERIFY2(restoreDefaultFont(sourceStyles, result, &out, &error), qPrintable(error));
        QCOMPARE(out, styles(expectedNames.split(',')));
    }

    // Only the broken names of the sheets given go; a list left empty goes whole.
    void brokenLocalNames()
    {
        const QByteArray names = "<definedNames><definedName name=\"a\">Sheet1!$A$1</definedName>"
                                 "<definedName name=\"a\" localSheetId=\"2\">#REF!</definedName>"
                                 "<definedName name=\"b\" localSheetId=\"2\">北区!$A$1:$E$2</definedName>"
                                 "<definedName name=\"c\" localSheetId=\"1\">#REF!$A$1</definedName></definedNames>";
        const QByteArray book = "<workbook " + kMain + "><sheets/>" + names + "<calcPr/></workbook>";
        QCOMPARE(withoutBrokenLocalNames(book, {2}),
                 QByteArray("<workbook " + kMain + "><sheets/><definedNames><definedName name=\"a\">Sheet1!$A$1</definedName>"
                            "<definedName name=\"b\" localSheetId=\"2\">北区!$A$1:$E$2</definedName>"
                            "<definedName name=\"c\" localSheetId=\"1\">#REF!$A$1</definedName></definedNames><calcPr/></workbook>"));
        const QByteArray onlyBroken = "<workbook " + kMain + "><definedNames><definedName name=\"a\" localSheetId=\"3\">"
                                      "#REF!</definedName></definedNames></workbook>";
        QCOMPARE(withoutBrokenLocalNames(onlyBroken, {3}), QByteArray("<workbook " + kMain + "></workbook>"));
        QCOMPARE(withFullCalculationOnLoad(book).count("fullCalcOnLoad=\"1\""), 1);
    }
};

QTEST_GUILESS_MAIN(OoxmlCarryOverTest)
#include "ooxml_carryover_test.moc"
