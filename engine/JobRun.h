#pragma once

#include <QString>

class AutomationObject;
class MergeObject;
struct JobSettings;

// One run of a job: the automation session and the steps of the job, each a
// function named after the step. Everything it queries is a child of
// `application` and goes with it at sessionEnd().
class JobRun
{
public:
    enum class Kind { ClassifyShow, InsertHyperLinks };

    JobRun(MergeObject *worker, JobSettings &settings, Kind kind);

    void run();

private:
    bool startSession();
    void sessionEnd();
    void report(const QString &text);

    MergeObject *m_worker;
    JobSettings &m_settings;
    Kind m_kind;

    AutomationObject *m_application = nullptr;
    AutomationObject *m_workbooks = nullptr;
};
