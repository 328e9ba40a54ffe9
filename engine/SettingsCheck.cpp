#include "SettingsCheck.h"

#include "JobSettings.h"
#include "Texts.h"

#include "CellArea.h"

#include <QDir>
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

QString comparable(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toCaseFolded();
#else
    return path;
#endif
}

} // namespace

bool isSourceFolder(const QString &savePath, const QString &sourcePath)
{
    if (savePath.isEmpty() || sourcePath.isEmpty())
        return false;
    const QFileInfo folder(savePath);
    const QFileInfo sourceFolder(QFileInfo(sourcePath).absolutePath());
    if (comparable(QDir::cleanPath(folder.absoluteFilePath())) == comparable(QDir::cleanPath(sourceFolder.absoluteFilePath())))
        return true;
    const QString canonical = folder.canonicalFilePath();
    return !canonical.isEmpty() && comparable(canonical) == comparable(sourceFolder.canonicalFilePath());
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
