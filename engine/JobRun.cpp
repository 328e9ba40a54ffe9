#include "JobRun.h"

#include "CategoryColumn.h"
#include "CategoryFiles.h"
#include "CategorySheets.h"
#include "ClassifyLinks.h"
#include "EarlierResult.h"
#include "Finishing.h"
#include "IndexSheet.h"
#include "JobSettings.h"
#include "MergeObject.h"
#include "SettingsCheck.h"
#include "SummaryLinks.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <QFile>

JobRun::JobRun(MergeObject *worker, JobSettings &settings, Kind kind)
    : m_worker(worker)
    , m_kind(kind)
    , m_job(settings, [this](const QString &text) { report(text); })
{
    m_job.progress = [worker](int done, int total) { emit worker->JobProgress(done, total); };
    m_job.keepResult = [worker] { return worker->keepResult(); };
}

void JobRun::run()
{
    // The files have no lookups and no workbook structure to lock: what the
    // form holds for those is not theirs to check.
    if (m_kind == Kind::CategoryFiles) {
        m_job.settings.allowEditRangeEnabled = false;
        m_job.settings.structurePasswordEnabled = false;
    }
    // Settings that cannot work, and a source no office can open, are
    // refused before the office starts.
    Outcome refused = checkJobSettings(m_job.settings);
    if (!refused.stopped())
        refused = checkSourceFile(m_job);
    m_job.showProgress(0, 0);
    if (refused.stopped())
        report(refused.text());
    // The application may start and still go away before the first step.
    else if (startSession() && proceed(Outcome::goOn()))
        m_kind == Kind::CategoryFiles ? runFileSteps() : runSteps();
    sessionEnd();
}

void JobRun::runSteps()
{
    const bool classify = m_kind == Kind::ClassifyShow;
    JobState &job = m_job;

    // The summary scan.
    using Step = Outcome (*)(JobState &);
    const ResultMark::Job thisJob = classify ? ResultMark::Job::Classify : ResultMark::Job::Link;
    if (!proceed(openWorkbook(job)) || !proceed(takeEarlierResult(job, thisJob)))
        return;
    for (Step step : {checkProtection, readSourceSheets, checkIndexName, measureTable, findLastDataRow, readCategoryColumn,
                      checkMergedCategoryCells, planCategories, noteUpdate}) {
        if (!proceed(step(job)))
            return;
    }

    // The category sheets and the index sheet, with the job's linking step
    // for every sheet.
    if (!proceed(makeCategorySheets(job)))
        return;
    const IndexSheet index = addIndexSheet(job);
    // An updated link result's summary block grows with its records too.
    if ((classify || job.updating) && !proceed(readSummaryGeometry(job)))
        return;
    LinkSheetStep linkSheet;
    if (classify)
        linkSheet = [&job](int position, AutomationObject *sheet, const Category *category) {
            return linkClassifySheet(job, position, sheet, category);
        };
    else
        linkSheet = [&job](int position, AutomationObject *sheet, const Category *category) {
            return linkHyperLinksSheet(job, position, sheet, category);
        };
    if (!proceed(fillIndexSheet(job, index, linkSheet)))
        return;

    // The mark the same job knows its result by, protection and saving.
    reportUpdate(job);
    markResult(job, thisJob);
    proceed(finishWorkbook(job, classify ? Texts::classifyShowDone() : Texts::insertHyperLinksDone()));
}

void JobRun::runFileSteps()
{
    using Step = Outcome (*)(JobState &);
    for (Step step : {openWorkbook, refuseEarlierResult, checkProtection, readSourceSheets, measureTable,
                      findLastDataRow, readCategoryColumn, checkMergedCategoryCells, planCategories,
                      planCategoryFiles, writeCategoryFiles}) {
        if (!proceed(step(m_job)))
            return;
    }
}

bool JobRun::proceed(const Outcome &outcome)
{
    // A cancel ends the application too: it is reported as what it is.
    if (m_worker->cancelled()) {
        report(Texts::cancelled());
        return false;
    }
    if (m_job.applicationLost()) {
        report(Texts::applicationLost());
        return false;
    }
    if (outcome.stopped()) {
        report(outcome.text());
        return false;
    }
    return true;
}

void JobRun::report(const QString &text)
{
    emit m_worker->ShowDisposingFile(text);
}

bool JobRun::startSession()
{
    m_job.application = new AutomationObject(m_worker);
    report(Texts::excelOk());
    m_job.application->setControl(QStringLiteral("Excel.Application"));
    m_worker->setAbort(m_job.application->aborter());
    m_job.application->dynamicCall("SetVisible (bool Visible)", QStringLiteral("false"));
    m_job.application->setProperty("DisplayAlerts", false);
    m_job.workbooks = m_job.application->querySubObject("WorkBooks");
    report(Texts::workbooksOk());
    if (!m_job.workbooks) {
        report(m_worker->cancelled() ? Texts::cancelled() : Texts::applicationMissing());
        return false;
    }
    return true;
}

void JobRun::sessionEnd()
{
    m_worker->setAbort(nullptr);
    if (m_job.application) {
        m_job.application->dynamicCall("Quit(void)");
        delete m_job.application;
        m_job.forgetObjects();
    }
    // A cancelled job leaves no result behind, even one saved just before.
    if (m_worker->cancelled() && !m_job.savedPath.isEmpty())
        QFile::remove(m_job.savedPath);
    emit m_worker->Signal_SetButtonEnable();
}
