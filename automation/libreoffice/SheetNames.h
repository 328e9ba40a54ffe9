#pragma once

#include <QString>
#include <QStringList>

// Excel's rules for a sheet name: 1 to 31 characters, none of : \ / ? * [ ],
// no apostrophe at either end, and unlike every other sheet's name when case
// is ignored.
bool isAcceptableSheetName(const QString &name, const QStringList &otherNames);

// The name Excel gives a copy: "Summary (2)", "Summary (3)", ... kept within
// 31 characters and unlike every existing name.
QString copiedSheetName(const QString &source, const QStringList &existing);
