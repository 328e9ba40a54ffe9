#include "JobRun.h"

#include "JobSettings.h"
#include "MergeObject.h"
#include "Texts.h"

#include "AutomationObject.h"

JobRun::JobRun(MergeObject *worker, JobSettings &settings, Kind kind)
    : m_worker(worker)
    , m_settings(settings)
    , m_kind(kind)
{
}

void JobRun::run()
{
    if (startSession()) {
        // The scan, the category sheets and the linking steps follow here.
    }
    sessionEnd();
}

void JobRun::report(const QString &text)
{
    emit m_worker->ShowDisposingFile(text);
}

bool JobRun::startSession()
{
    m_application = new AutomationObject(m_worker);
    report(Texts::excelOk());
    m_application->setControl(QStringLiteral("Excel.Application"));
    m_application->dynamicCall("SetVisible (bool Visible)", QStringLiteral("false"));
    m_application->setProperty("DisplayAlerts", false);
    m_workbooks = m_application->querySubObject("WorkBooks");
    report(Texts::workbooksOk());
    if (!m_workbooks) {
        report(Texts::applicationMissing());
        return false;
    }
    return true;
}

void JobRun::sessionEnd()
{
    if (m_application) {
        m_application->dynamicCall("Quit(void)");
        delete m_application;
        m_application = nullptr;
        m_workbooks = nullptr;
    }
    emit m_worker->Signal_SetButtonEnable();
}
