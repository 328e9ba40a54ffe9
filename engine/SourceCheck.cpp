#include "SourceCheck.h"

#include "SourceContent.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString nativeSourcePath(const QString &sourceWorkbookPath)
{
    return QDir::toNativeSeparators(sourceWorkbookPath);
}

bool hasWorkbookEnding(const QString &path)
{
    const QString lower = path.toLower();
    return lower.endsWith(QLatin1String(".xls")) || lower.endsWith(QLatin1String(".xlsx"))
        || lower.endsWith(QLatin1String(".xlsm"));
}

bool pathExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

namespace {

// A workbook's name that is not one of the office's lock files.
bool hasSourceName(const QString &nativePath)
{
    return hasWorkbookEnding(nativePath) && !nativePath.contains(QLatin1String("~$"));
}

} // namespace

bool isAcceptedSource(const QString &nativePath)
{
    return hasSourceName(nativePath) && pathExists(nativePath);
}

QString sourceRefusal(const QString &nativePath)
{
    if (!isAcceptedSource(nativePath))
        return hasSourceName(nativePath) ? Texts::sourceMissing(nativePath) : Texts::sourceRefused();
    const QFileInfo info(nativePath);
    QFile file(nativePath);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return Texts::sourceRefused();
    switch (sourceContent(file.read(sourceContentLength()), info.fileName())) {
    case SourceContent::Empty:
        return Texts::sourceNotWorkbook(info.fileName(), true);
    case SourceContent::NotWorkbook:
        return Texts::sourceNotWorkbook(info.fileName(), false);
    case SourceContent::MayBeWorkbook:
        break;
    }
    return QString();
}
