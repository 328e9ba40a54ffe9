#include "MergeObject.h"

#include "JobRun.h"

MergeObject::MergeObject(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_settings(JobSettings::current())
{
}

MergeObject::~MergeObject() = default;

void MergeObject::InsertHyperLinks()
{
    JobRun(this, m_settings, JobRun::Kind::InsertHyperLinks).run();
}

void MergeObject::SplitToFiles()
{
    JobRun(this, m_settings, JobRun::Kind::CategoryFiles).run();
}

void MergeObject::ClassifyShow()
{
    JobRun(this, m_settings, JobRun::Kind::ClassifyShow).run();
}

bool MergeObject::cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_resultKept)
        return false;
    m_cancelled = true;
    if (m_abort)
        m_abort();
    return true;
}

bool MergeObject::cancelled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cancelled;
}

void MergeObject::setAbort(std::function<void()> abort)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_abort = std::move(abort);
    // A cancel that came while the application was starting ends it now.
    if (m_cancelled && m_abort)
        m_abort();
}

bool MergeObject::keepResult()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_cancelled)
        return false;
    m_resultKept = true;
    return true;
}
