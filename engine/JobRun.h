#pragma once

#include "JobState.h"
#include "Outcome.h"

#include <QString>

class AutomationObject;
class MergeObject;
struct JobSettings;

// One run of a job: the automation session and the steps of the job, in
// order. Everything it queries is a child of `application` and goes with it
// at sessionEnd().
class JobRun
{
public:
    enum class Kind { ClassifyShow, InsertHyperLinks, CategoryFiles };

    JobRun(MergeObject *worker, JobSettings &settings, Kind kind);

    void run();

private:
    bool startSession();
    void runSteps();
    void runFileSteps();
    // True when the job goes on; otherwise the stop text has been shown. A
    // lost application outranks whatever the step reported.
    bool proceed(const Outcome &outcome);
    void sessionEnd();
    void report(const QString &text);

    MergeObject *m_worker;
    Kind m_kind;
    JobState m_job;
};
