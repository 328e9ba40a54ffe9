#include "RecordPull.h"

#include <QHash>
#include <QSet>

RecordPull planRecordPull(const QList<SummaryRecord> &summary, const QList<SheetRecord> &sheetRecords)
{
    RecordPull plan;
    QHash<QString, int> recordOfKey;
    for (int i = 0; i < sheetRecords.size(); ++i) {
        const SheetRecord &record = sheetRecords.at(i);
        const auto earlier = recordOfKey.constFind(record.key);
        if (earlier != recordOfKey.cend()) {
            plan.twiceKey = record.key;
            plan.twiceSheets = QStringList{sheetRecords.at(earlier.value()).sheet, record.sheet};
            return plan;
        }
        recordOfKey.insert(record.key, i);
    }
    QSet<QString> held;
    for (const SummaryRecord &row : summary) {
        held << row.key;
        const auto found = recordOfKey.constFind(row.key);
        if (found != recordOfKey.cend()) {
            plan.updates.append({row.row, found.value()});
        } else if (row.looksUp) {
            plan.leaving << row.row;
            plan.leavingKeys << row.key;
        }
    }
    for (int i = 0; i < sheetRecords.size(); ++i) {
        if (!held.contains(sheetRecords.at(i).key))
            plan.added << i;
    }
    return plan;
}
