#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ooxml {

// One editable range of a protected sheet, its sqref already in normal form.
struct RangeEntry {
    QString name;
    QString sqref;
};

// The worksheet part with `ranges` among its protected ranges. An existing
// protectedRanges element is kept and extended; a range there with the same name
// (compared without case, as the office does) is replaced. A new element goes where
// the worksheet's child order wants it. Only the bytes around the insertion change,
// so the part may be large.
bool addProtectedRanges(const QByteArray &sheetXml, const QList<RangeEntry> &ranges,
                        QByteArray *out, QString *error);

// The child order of a worksheet part.
const QList<QByteArray> &worksheetChildOrder();

} // namespace ooxml
