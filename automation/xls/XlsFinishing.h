#pragma once

#include "SourceCarryOver.h"

#include <QList>
#include <QString>
#include <QStringList>

// Each sheet of a saved .xls result gets the frozen pane of the source sheet
// it came from (a category sheet the summary's, starting at the split); a
// sheet the job made from nothing gets none. The source's macro project goes
// in as it was. False, with the reason logged, when the result or the source
// cannot be read or edited safely: the office's own views would put the
// panes on the wrong sheets, so such a result is not kept. `sourceUnreadable`
// tells whether it was the source compound file's structure (its workbook
// stream, the stream's records) that could not be read.
bool finishXlsResult(const QString &sourcePath, const QString &resultPath, const QList<ooxml::SheetOrigin> &origins,
                     const QStringList &resultSheets, bool *sourceUnreadable = nullptr);

// The source's macro project put back into an .xls result the office wrote
// after it was finished (an encrypted one): only the workbook stream is
// encrypted, the project's storage is copied as it is. False, with the
// reason logged, when the project could not go in.
bool keepXlsMacroProject(const QString &sourcePath, const QString &resultPath);
