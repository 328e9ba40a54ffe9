#include "MergeObject.h"

#include "JobRun.h"
#include "JobSettings.h"

MergeObject::MergeObject(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
{
}

MergeObject::~MergeObject() = default;

void MergeObject::InsertHyperLinks()
{
    JobRun(this, JobSettings::current(), JobRun::Kind::InsertHyperLinks).run();
}

void MergeObject::ClassifyShow()
{
    JobRun(this, JobSettings::current(), JobRun::Kind::ClassifyShow).run();
}
