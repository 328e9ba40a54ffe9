#pragma once

#include "JobState.h"
#include "Outcome.h"
#include "RecordPull.h"
#include "ResultMark.h"

#include <QHash>
#include <memory>

class AutomationObject;

// An earlier InsertHyperLinks result holds its records' data on the category
// sheets. Before they go, the summary takes what they hold now: each record
// the values of its editable columns, its category cell and any other value
// changed on the row of its key (not where the summary has a formula); records typed below a sheet's records join the summary after its
// last record, in sheet order, then row order, formatted as that record; a
// record whose key no sheet holds any more leaves the summary, while a row
// typed on the summary since (values, no lookups) stays. A key on two rows
// refuses the update. Notes each record's earlier sheet for the report.
class LinkResultPull
{
public:
    LinkResultPull(JobState &job, AutomationObject *summary, const ResultMark &mark);
    ~LinkResultPull();

    // Everything is read before the first write to the workbook: a value
    // read after one would have every lookup of the summary computed, only
    // for the summary to replace them.
    Outcome read(const QList<AutomationObject *> &categorySheets);
    Outcome write();

private:
    JobState &m_job;
    AutomationObject *m_summary;
    const ResultMark &m_mark;
    std::unique_ptr<struct SummaryShape> m_shape;
    BlockGeometry m_editable;
    bool m_tail = false;
    QList<SheetRecord> m_records;
    QHash<int, QStringList> m_summaryTexts; // column -> its texts from the first data row
    RecordPull m_plan;
};
