#include "SettingsCheck.h"

#include "JobSettings.h"
#include "Texts.h"

#include "CellArea.h"
#include "SamePlace.h"

#include <QFileInfo>

namespace {

bool takesInColumn(const QList<CellArea> &areas, int column)
{
    for (const CellArea &area : areas) {
        if (column >= area.left && column <= area.right)
            return true;
    }
    return false;
}

} // namespace

bool isSourceFolder(const QString &savePath, const QString &sourcePath)
{
    return !sourcePath.isEmpty() && isSamePlace(savePath, QFileInfo(sourcePath).absolutePath());
}

bool isEditRangeText(const QString &typed)
{
    return !parseA1Areas(normalizedEditRange(typed)).isEmpty();
}

Outcome checkJobSettings(const JobSettings &settings)
{
    if (settings.allowEditRangeEnabled) {
        if (!isEditRangeText(settings.allowEditRange))
            return Outcome::stop(Texts::invalidEditRange());
        const QList<CellArea> areas = parseA1Areas(settings.allowEditRange);
        if (takesInColumn(areas, settings.lookupColumn) || takesInColumn(areas, settings.classifyColumn))
            return Outcome::stop(Texts::editRangeHoldsKeyColumn());
    }
    if (isSourceFolder(settings.savePath, settings.sourceWorkbookPath))
        return Outcome::stop(Texts::saveFolderIsSourceFolder());
    return Outcome::goOn();
}
