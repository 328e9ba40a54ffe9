#include "engine_JobHarness.h"
#include "engine_RecordingBackend.h"

#include "FileFormats.h"
#include "Formulas.h"
#include "MemberCatalogue.h"
#include "ResultMark.h"
#include "Texts.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace recording;

namespace {

// Name, category, amount; row 6 has no category.
const QStringList table{
    "Name|Region|Amount",
    "a|East|1",
    "b|West|2",
    "c|East|3",
    "d|North|4",
    "e||5",
    "f|West|6",
};

QString fromUtf8(const char *text) { return QString::fromUtf8(text); }

// The lines of `log` from the first line starting with `from` up to, not
// including, the first later line starting with `to`.
QStringList slice(const QStringList &log, const QString &from, const QString &to)
{
    int begin = -1;
    for (int i = 0; i < log.size(); ++i) {
        if (begin < 0 && log.at(i).startsWith(from))
            begin = i;
        else if (begin >= 0 && log.at(i).startsWith(to))
            return log.mid(begin, i - begin);
    }
    return begin < 0 ? QStringList() : log.mid(begin);
}

} // namespace

class EngineJobsTest : public QObject
{
    Q_OBJECT

    SourceFolder m_folder;

    JobSettings settings(const QString &fileName = QStringLiteral("book.xlsx"))
    {
        JobSettings s;
        s.sourceWorkbookPath = m_folder.file(fileName);
        s.savePath = m_folder.outputFolder();
        s.classifyColumn = 2;
        return s;
    }

    static JobSettings withEditRange(JobSettings s, const QString &range)
    {
        s.allowEditRangeEnabled = true;
        s.allowEditRange = range;
        s.sheetPassword = QStringLiteral("pw");
        return s;
    }

private slots:
    void sessionStartWithoutWorkbooks()
    {
        auto model = modelWithSummary(table);
        model->workbooksAvailable = false;
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        QCOMPARE(run.all, (QStringList{"excel OK!", "WorkBooks OK!", Texts::applicationMissing(), "<end>"}));
        QCOMPARE(model->log(), (QStringList{
            "D app SetVisible (bool Visible) [false]",
            "S app DisplayAlerts [false]",
            "Q app WorkBooks",
            "D app Quit(void)",
        }));
    }

    void noApplicationAtAll()
    {
        // Nothing answers "Excel.Application": the job ends the same way.
        const JobEvents run = runJob(Job::InsertHyperLinks, settings());
        QCOMPARE(run.all, (QStringList{"excel OK!", "WorkBooks OK!", Texts::applicationMissing(), "<end>"}));
    }

    void classifyShowWithoutEditRange()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        const JobSettings s = settings();
        const JobEvents run = runJob(Job::ClassifyShow, s);

        const QString nativePath = QDir::toNativeSeparators(s.sourceWorkbookPath);
        const QString saved = QDir::toNativeSeparators(outputPath(s.savePath, nativePath));
        QCOMPARE(run.all, (QStringList{
            "excel OK!", "WorkBooks OK!", nativePath + fromUtf8(" 文件扫描中..."), fromUtf8("正在自动分类,请耐心等待..."),
            fromUtf8("正在拆分到：East"), fromUtf8("正在拆分到：West"), fromUtf8("正在拆分到：North"),
            Texts::saving(saved), Texts::savedTo(saved), fromUtf8("成功生成汇总分类表!"), "<end>"}));
        QCOMPARE(run.settings.categoryNames, (QStringList{"East", "West", "North"}));

        // Index first, summary second, then the categories newest first.
        QCOMPARE(model->sheetNames(), (QStringList{fromUtf8("目录"), "Summary", "North", "West", "East"}));
        auto index = model->sheet(fromUtf8("目录"));
        QCOMPARE(index->row(1, 1), QStringList{"Summary"});
        QCOMPARE(index->row(4, 1), QStringList{"East"});
        QCOMPARE(index->hyperlinks, (QStringList{"A1||Summary!A1", "A2||North!A1", "A3||West!A1", "A4||East!A1"}));

        // Each category sheet keeps the header and its own rows only.
        auto east = model->sheet("East");
        QCOMPARE(east->row(1, 3), (QStringList{"Name", "Region", "Amount"}));
        QCOMPARE(east->row(2, 3), (QStringList{"a", "East", "1"}));
        QCOMPARE(east->row(3, 3), (QStringList{"c", "East", "3"}));
        QVERIFY(east->row(4, 3).join("").isEmpty());
        QVERIFY(east->hiddenRows.isEmpty());
        QCOMPARE(model->sheet("Summary")->values.size(), 20);

        // Without editable ranges: no formulas, no protection of any kind.
        for (const QString &member : QStringList{"Protect(QVariant)", "Protect(const QString&)", "SetFormula(const QVariant&)",
                                      "Protection()", "Password"})
            QVERIFY2(model->linesOf(member).isEmpty(), qPrintable(member));
        QCOMPARE(model->linesOf("Select()"), QStringList{"D sheet:Summary Select()"});
        QCOMPARE(model->savedPath, QDir::toNativeSeparators(m_folder.outputFolder() + "book.xlsx"));
        QCOMPARE(model->savedFormat, 51);
        QCOMPARE(model->linesOf("Close (Boolean)"), QStringList{"D workbook Close (Boolean) [false]"});
        QCOMPARE(model->log().last(), QStringLiteral("D app Quit(void)"));
    }

    void scanReadsTheCategoryColumnTopDown()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        const JobSettings s = settings();
        runJob(Job::InsertHyperLinks, s);
        // Open, then what could stop the split: the mark of the other job's
        // result (this workbook has no properties), protection and the index's name.
        QCOMPARE(slice(model->log(), "Q workbooks Open", "Q sheet:Summary UsedRange"), (QStringList{
            "Q workbooks Open(const QString&) [" + QDir::toNativeSeparators(s.sourceWorkbookPath) + "]",
            "Q workbook WorkSheets(int) [1]",
            "Q workbook CustomDocumentProperties",
            "P properties Count",
            "P workbook ProtectStructure",
            "P sheet:Summary ProtectContents",
            "P sheet:Summary Name",
            "Q workbook Sheets",
            "P sheets Count",
            "Q sheets Item(int) [1]",
            "P sheet:Summary Name",
        }));
        // The used block, the upward search from below it, then every row.
        QCOMPARE(slice(model->log(), "Q sheet:Summary UsedRange", "Q workbook Sheets").mid(0, 22), (QStringList{
            "Q sheet:Summary UsedRange",
            "P range:Summary!A1:C7 Row",
            "P range:Summary!A1:C7 Column",
            "Q range:Summary!A1:C7 Rows",
            "P rows-of:range:Summary!A1:C7 Count",
            "Q range:Summary!A1:C7 Columns",
            "P columns-of:range:Summary!A1:C7 Count",
            "Q sheet:Summary Cells(int, int) [8, 2]",
            "Q range:Summary!B8 End(3) [3]",
            "D range:Summary!B7 Row",
            "Q sheet:Summary Cells(int,int) [2, 2]",
            "D range:Summary!B2 Value()",
            "Q sheet:Summary Cells(int,int) [3, 2]",
            "D range:Summary!B3 Value()",
            "Q sheet:Summary Cells(int,int) [4, 2]",
            "D range:Summary!B4 Value()",
            "Q sheet:Summary Cells(int,int) [5, 2]",
            "D range:Summary!B5 Value()",
            "Q sheet:Summary Cells(int,int) [6, 2]",
            "D range:Summary!B6 Value()",
            "Q sheet:Summary Cells(int,int) [7, 2]",
            "D range:Summary!B7 Value()",
        }));
        // Merged cells are looked for only where a run of empty category cells
        // begins: row 6, and below the last filled row.
        QCOMPARE(model->linesOf("MergeArea"),
                 (QStringList{"Q range:Summary!B6 MergeArea", "Q range:Summary!B8 MergeArea"}));
    }

    void headerRowsMoveTheScan()
    {
        // Three header rows, ten used rows: the search starts below the last
        // used row, 11, and rows 4 to the last filled one are read.
        QStringList rows{"Title||", "Sub|title|", "Name|Region|Amount"};
        for (int i = 0; i < 6; ++i)
            rows << QStringLiteral("n%1|%2|%1").arg(i).arg(i % 2 ? "Odd" : "Even");
        rows << "x||9";
        auto model = modelWithSummary(rows);
        RecordingBackend backend(model);
        JobSettings s = settings();
        s.headerRowsEnabled = true;
        s.headerRows = 3;
        const JobEvents run = runJob(Job::ClassifyShow, s);
        QCOMPARE(run.texts.last(), Texts::classifyShowDone());
        QCOMPARE(model->linesOf("Cells(int, int)"), QStringList{"Q sheet:Summary Cells(int, int) [11, 2]"});
        const QStringList reads = model->linesOf("Cells(int,int)").filter(QStringLiteral("sheet:Summary "));
        QCOMPARE(reads.first(), QStringLiteral("Q sheet:Summary Cells(int,int) [4, 2]"));
        QCOMPARE(reads.at(5), QStringLiteral("Q sheet:Summary Cells(int,int) [9, 2]"));
        QCOMPARE(reads.size(), 7); // and the cell below the last filled one
        // The filter's header is the last header row, the deletion spans rows 4 to 9.
        QVERIFY(model->log().contains("Q sheet:Even Range(const QString&) [A3:C9]"));
        QVERIFY(model->log().contains("Q sheet:Even Range(const QString&) [B4:B9]"));
        QCOMPARE(model->sheet("Even")->row(3, 3), (QStringList{"Name", "Region", "Amount"}));
        QCOMPARE(model->sheet("Even")->row(4, 3), (QStringList{"n0", "Even", "0"}));
    }

    // A category sheet is the summary's copy with only its records left, in
    // their order, without the filter that picked them, placed after the
    // summary; a record without a category goes to no sheet.
    void aCategorySheetKeepsItsRecordsOnly()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        QVERIFY(runJob(Job::ClassifyShow, settings()).endedOnce());
        const QList<QPair<QString, QStringList>> expected = {
            {"East", {"a|East|1", "c|East|3"}},
            {"West", {"b|West|2", "f|West|6"}},
            {"North", {"d|North|4"}},
        };
        for (const auto &category : expected) {
            auto sheet = model->sheet(category.first);
            QVERIFY2(sheet, qPrintable(category.first));
            QCOMPARE(sheet->row(1, 3).join('|'), QStringLiteral("Name|Region|Amount"));
            for (int i = 0; i < category.second.size(); ++i)
                QCOMPARE(sheet->row(2 + i, 3).join('|'), category.second.at(i));
            QCOMPARE(sheet->row(2 + category.second.size(), 3).join('|'), QStringLiteral("||"));
            QVERIFY(sheet->hiddenRows.isEmpty());
            QVERIFY(!sheet->filterButtons);
        }
        QCOMPARE(model->sheetNames().mid(0, 2), (QStringList{fromUtf8("目录"), "Summary"}));
        QCOMPARE(model->sheetNames().size(), 5);
        QCOMPARE(model->sheet("Summary")->row(6, 3).join('|'), QStringLiteral("e||5"));
    }

    void classifyShowLinksTheCategorySheets()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, withEditRange(settings(), "C2:C7"));
        QVERIFY(run.endedOnce());
        QCOMPARE(run.texts.last(), Texts::classifyShowDone());

        // The summary's index entry, its editable range and its protection.
        QVERIFY(model->sheet(fromUtf8("目录"))->hyperlinks.contains(fromUtf8("A1||Summary!A1")));
        auto summary = model->sheet("Summary");
        QCOMPARE(summary->editableRanges, QStringList{"allowEditRange1 C2:C7"});
        QVERIFY(summary->formulas.isEmpty());

        // A category sheet with two records: formulas over C2:C3.
        const QString formula = linkFormula("Summary", 1, BlockGeometry{2, 3, 6, 1});
        QVERIFY(formula.startsWith("=IF(VLOOKUP($A2,Summary!$A$2:$C$7,COLUMN()-COLUMN($A2)+1,0)="));
        auto east = model->sheet("East");
        QCOMPARE(east->formulas.keys(), (QList<Cell>{{2, 3}, {3, 3}}));
        for (const QString &f : east->formulas)
            QCOMPARE(f, "R1C1[" + formula + "]");
        QCOMPARE(east->lockedRanges, QStringList{"C2:C3"});
        QVERIFY(east->isProtected);
        QCOMPARE(east->password, QStringLiteral("pw"));
        QVERIFY(east->editableRanges.isEmpty());
        // Locking and hiding come before the protection.
        const QStringList eastTail = slice(model->log(), "S range:East!C2:C3 Locked", "Q workbook CustomDocumentProperties");
        QCOMPARE(eastTail, (QStringList{"S range:East!C2:C3 Locked [true]", "S range:East!C2:C3 FormulaHidden [true]",
                                        "D sheet:East Protect(QVariant) [pw]"}));
        QCOMPARE(model->sheet("North")->lockedRanges, QStringList{"C2"});
    }

    void insertHyperLinksLinksTheSummary()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        JobSettings s = withEditRange(settings(), QStringLiteral("C2:C7"));
        s.sheetPassword.clear(); // still protected, with the empty text
        const JobEvents run = runJob(Job::InsertHyperLinks, s);
        QVERIFY(run.endedOnce());
        QCOMPARE(run.texts.last(), Texts::insertHyperLinksDone());

        // Nothing is read between the hyperlinks and the sheet count.
        QCOMPARE(slice(model->log(), fromUtf8("Q sheet:目录 Hyperlinks()"), "Q sheets Item(int) [2]"),
                 (QStringList{fromUtf8("Q sheet:目录 Hyperlinks()"), "P sheets Count"}));

        const QString formula = QStringLiteral(
            "=IF(VLOOKUP($A2,INDIRECT($B2&\"!R2C1:R7C3\",FALSE),COLUMN()-COLUMN($A2)+1,0)=\"\",\"\","
            "VLOOKUP($A2,INDIRECT($B2&\"!R2C1:R7C3\",FALSE),COLUMN()-COLUMN($A2)+1,0))");
        QCOMPARE(slice(model->log(), "Q sheet:Summary Range(const QVariant&)", "Q sheets Item(int) [3]").mid(0, 12),
                 (QStringList{
            "Q sheet:Summary Range(const QVariant&) [C2:C7]",
            "P range:Summary!C2:C7 Row",
            "P range:Summary!C2:C7 Column",
            "Q range:Summary!C2:C7 Rows",
            "Q range:Summary!C2:C7 Columns",
            "P rows-of:range:Summary!C2:C7 Count",
            "P columns-of:range:Summary!C2:C7 Count",
            "Q sheet:Summary Cells(int,int) [2, 3]",
            "D range:Summary!C2 SetFormula(const QVariant&) [" + formula + "]",
            "D range:Summary!C2 FormulaR1C1()",
            "Q sheet:Summary Cells(int,int) [2, 3]",
            "D range:Summary!C2 SetFormulaR1C1(const QVariant&) [R1C1[" + formula + "]]",
        }));
        auto summary = model->sheet("Summary");
        // Row 6 has no category: it keeps its value and gets no formula.
        QCOMPARE(summary->formulas.size(), 5);
        QVERIFY(!summary->formulas.contains({6, 3}));
        QCOMPARE(summary->lockedRanges, QStringList{"C2:C7"});
        QVERIFY(summary->isProtected);
        QCOMPARE(summary->password, QString(""));
        QVERIFY(summary->editableRanges.isEmpty());

        // Category sheets: the editable range follows their own row count,
        // and the rows below are open for new records (here, the block
        // around both: C2:C3 and A4:C203).
        QCOMPARE(model->sheet("East")->editableRanges, QStringList{"allowEditRange1 A2:C203"});
        QCOMPARE(model->sheet("North")->editableRanges, QStringList{"allowEditRange1 A2:C202"});
        QVERIFY(model->sheet("West")->isProtected);
        QVERIFY(model->sheet("West")->formulas.isEmpty());
        QCOMPARE(slice(model->log(), "Q sheet:West Protection()", "Q sheets Item(int)"), (QStringList{
            "Q sheet:West Protection()",
            "Q protection:West AllowEditRanges()",
            "D editranges:West Add(QVariant,QVariant) [allowEditRange1, range:West!A2:C203]",
            "D sheet:West Protect(QVariant) []",
        }));
    }

    void namesThatNeedQuotesOrLoseCharacters()
    {
        const QStringList rows{"Key|Class|V", "k1|1班|1", "k2|A/B|2"};
        auto model = modelWithSummary(rows);
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::InsertHyperLinks, withEditRange(settings(), "C2:C3"));
        QCOMPARE(run.texts.last(), Texts::insertHyperLinksDone());
        QCOMPARE(model->sheetNames(), (QStringList{fromUtf8("目录"), "Summary", "AB", fromUtf8("1班")}));
        QCOMPARE(model->sheet(fromUtf8("目录"))->hyperlinks,
                 (QStringList{"A1||Summary!A1", "A2||AB!A1", fromUtf8("A3||'1班'!A1")}));
        // The filter looks for the value as read, the sheet carries the cleaned name.
        QVERIFY(model->log().contains("D range:AB!A1:C3 AutoFilter(QVariant,QVariant) [2, <>A/B]"));
        const QString lookup = model->sheet("Summary")->formulas.value({2, 3});
        QVERIFY2(lookup.contains("INDIRECT(\"'\"&SUBSTITUTE($B2,\"/\",\"\")&\"'!R2C1:R3C3\",FALSE)"), qPrintable(lookup));
    }

    void passwordsAndSaving()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        JobSettings s = settings("Report.Final.XLSM");
        s.structurePasswordEnabled = true;
        s.structurePassword = "structure";
        s.openPasswordEnabled = true;
        s.openPassword = "open";
        runJob(Job::ClassifyShow, s);
        QCOMPARE(slice(model->log(), "D sheet:Summary Select()", "D app Quit"), (QStringList{
            "D sheet:Summary Select()",
            "D workbook Protect(const QString&) [structure]",
            "S workbook Password [open]",
            "D workbook SaveAs(const QString&, QVariant) [" + QDir::toNativeSeparators(m_folder.outputFolder() + "Report.Final.xlsm")
                + ", 52]",
            "D workbook Close (Boolean) [false]",
        }));
    }

    // The result carries the job's mark, in place of a stale one and beside
    // the user's own properties; given to the other job, it is refused
    // before anything is read of it.
    void theResultIsMarkedForTheJobThatMadeIt()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        model->customProperties = {{"Project", "Q3"}, {"Sheetsplicer 2", "stale"}};
        JobSettings s = withEditRange(settings(), "C2:C7");
        runJob(Job::ClassifyShow, s);
        QCOMPARE(model->customProperties.first(), (QPair<QString, QString>{"Project", "Q3"}));
        const std::optional<ResultMark> mark = readMark(model->customProperties);
        QVERIFY(mark);
        QCOMPARE(int(mark->job), int(ResultMark::Job::Classify));
        QCOMPARE(mark->summarySheet, QStringLiteral("Summary"));
        QCOMPARE(mark->editRange, QStringLiteral("C2:C7"));
        QStringList made = mark->madeSheets;
        QStringList others = model->sheetNames().filter(QRegularExpression("^(?!Summary$)"));
        made.sort();
        others.sort();
        QCOMPARE(made, others);

        auto marked = modelWithSummary(table);
        RecordingBackend again(marked);
        marked->customProperties = model->customProperties;
        const QStringList texts = runJob(Job::InsertHyperLinks, s).texts;
        QCOMPARE(texts.last(), Texts::madeByOtherJob(true));
        QVERIFY(marked->savedPath.isEmpty());
        QVERIFY(marked->linesOf("ProtectStructure").isEmpty());
    }

    // The same job given its own result: the result's protections lifted
    // with this job's passwords, the sheets it made removed, the summary
    // split again; a wrong password saves nothing.
    void aResultIsUpdatedByTheJobThatMadeIt()
    {
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        JobSettings s = withEditRange(settings(), "C2:C7");
        s.sheetPassword = "pw";
        s.structurePasswordEnabled = true;
        s.structurePassword = "lock";
        runJob(Job::ClassifyShow, s);
        const QStringList made = model->sheetNames();

        auto earlier = modelWithSummary(table);
        RecordingBackend again(earlier);
        earlier->sheets = model->sheets;
        earlier->customProperties = model->customProperties;
        earlier->structurePassword = "lock";
        earlier->structureLocked = true;
        JobSettings wrong = settings();
        wrong.sheetPassword = "pw";
        QCOMPARE(runJob(Job::ClassifyShow, wrong).texts.last(), Texts::updateStructurePassword());
        QVERIFY(earlier->savedPath.isEmpty());

        earlier->operations.clear();
        const JobEvents run = runJob(Job::ClassifyShow, s);
        QCOMPARE(run.texts.last(), Texts::classifyShowDone());
        QCOMPARE(earlier->sheetNames(), made);
        QCOMPARE(earlier->log().filter(QRegularExpression("^D sheet:.* Delete\\(\\)")).size(), made.size() - 1);
        QCOMPARE(earlier->sheet("Summary")->editableRanges.size(), 1);
    }

    void memberTextsAreThoseOfTheCatalogue()
    {
        QSet<QString> used;
        for (Job job : {Job::ClassifyShow, Job::InsertHyperLinks}) {
            auto model = modelWithSummary(table);
            RecordingBackend backend(model);
            JobSettings s = withEditRange(settings(), "C2:C7");
            s.structurePasswordEnabled = s.openPasswordEnabled = true;
            // A mark no job can read, which the job's own replaces.
            model->customProperties = {{"Sheetsplicer 1", "stale"}};
            runJob(job, s);
            used += model->memberTexts();
        }
        // An update of a result with locked structure and sheets.
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        JobSettings s = withEditRange(settings(), "C2:C7");
        s.structurePasswordEnabled = true;
        runJob(Job::ClassifyShow, s);
        model->operations.clear();
        runJob(Job::ClassifyShow, s);
        used += model->memberTexts();
        {
            // An update of a link result: a record typed below a category
            // sheet's records joins the summary after its last record.
            auto linked = modelWithSummary(table);
            RecordingBackend linkedBackend(linked);
            runJob(Job::InsertHyperLinks, withEditRange(settings(), "C2:C7"));
            auto east = linked->sheet("East");
            east->values[{4, 1}] = "g";
            east->values[{4, 3}] = "7";
            linked->operations.clear();
            runJob(Job::InsertHyperLinks, withEditRange(settings(), "C2:C7"));
            used += linked->memberTexts();
            QCOMPARE(linked->sheet("Summary")->values.value({8, 1}), QStringLiteral("g"));
            QCOMPARE(linked->sheet("Summary")->values.value({8, 2}), QStringLiteral("East"));
        }
        {
            // An encrypted source (a compound file under an .xlsx name)
            // opens with the open password.
            auto model = modelWithSummary(table);
            RecordingBackend backend(model);
            JobSettings s = settings("locked.xlsx");
            QFile header(s.sourceWorkbookPath);
            QVERIFY(header.open(QIODevice::WriteOnly));
            QByteArray start = QByteArray::fromHex("d0cf11e0a1b11ae1").leftJustified(512, '\0');
            start[0x1E] = 9;
            header.write(start);
            header.close();
            s.openPasswordEnabled = true;
            s.openPassword = "op";
            QCOMPARE(runJob(Job::ClassifyShow, s).texts.last(), Texts::classifyShowDone());
            used += model->memberTexts();
        }
        {
            // One workbook per category, of a summary with filter buttons.
            auto model = modelWithSummary({"Name|Region", "a|East", "b|East"});
            model->sheet("Summary")->filterButtons = true;
            RecordingBackend backend(model);
            const JobEvents files = runJob(Job::CategoryFiles, settings());
            QVERIFY2(Texts::isSuccess(files.texts.last()), qPrintable(files.texts.last()));
            used += model->memberTexts();
        }
        {
            // A save that fails: the application is asked why.
            auto model = modelWithSummary(table);
            model->saveSucceeds = false;
            RecordingBackend backend(model);
            QCOMPARE(runJob(Job::ClassifyShow, settings()).texts.last(), Texts::saveFailed());
            used += model->memberTexts();
        }
        QSet<QString> catalogue;
        for (const CatalogueMember &member : memberCatalogue())
            catalogue << QString(QLatin1Char(member.access)) + QLatin1Char(' ') + QLatin1String(member.text);
        QCOMPARE(used - catalogue, QSet<QString>());
        QCOMPARE(catalogue - used, QSet<QString>());
    }

    void twoRunsOnOneWorker()
    {
        MergeObject worker("tem");
        auto first = modelWithSummary(table);
        {
            RecordingBackend backend(first);
            const JobEvents run = runJob(Job::ClassifyShow, settings(), &worker);
            QVERIFY(run.endedOnce());
            QCOMPARE(run.texts.last(), Texts::classifyShowDone());
        }
        auto second = modelWithSummary(table);
        RecordingBackend backend(second);
        JobSettings s = settings();
        s.categoryNames = QStringList{"left over"};
        const JobEvents run = runJob(Job::InsertHyperLinks, s, &worker);
        QVERIFY(run.endedOnce());
        QCOMPARE(run.texts.last(), Texts::insertHyperLinksDone());
        QCOMPARE(run.texts.count(fromUtf8("正在拆分到：East")), 1);
        QCOMPARE(run.texts.filter(fromUtf8("正在拆分到：")).size(), 3);
        // The second run starts its own session.
        QCOMPARE(second->log().first(), QStringLiteral("D app SetVisible (bool Visible) [false]"));
        QCOMPARE(second->sheetNames().size(), 5);
    }
};

QTEST_GUILESS_MAIN(EngineJobsTest)
#include "engine_jobs_test.moc"
