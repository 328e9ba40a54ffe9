#include "PackageFinishing.h"

#include "ReadFailure.h"

#include "AgileEncryption.h"
#include "EncryptedContainer.h"
#include "PackageParts.h"
#include "PasswordHash.h"
#include "SideBySide.h"
#include "Sqref.h"
#include "ViewEdits.h"
#include "WorkbookEdits.h"
#include "WorksheetEdits.h"
#include "ZipPackage.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace ooxml {

namespace {

using readers::fail;

// The editable ranges of one sheet, checked, in the order given; a later range with
// the name of an earlier one replaces it.
struct SheetRanges {
    QString sheetName;
    QList<RangeEntry> ranges;
};

bool groupRanges(const QList<ProtectedRange> &input, QList<SheetRanges> *out, QString *error)
{
    for (const ProtectedRange &range : input) {
        QString reason;
        const QString sqref = normalizeSqref(range.sqref, &reason);
        if (sqref.isEmpty())
            return fail(error, QStringLiteral("editable range \"%1\" on sheet \"%2\": %3")
                                   .arg(range.sqref, range.sheetName, reason));
        if (range.sheetName.isEmpty())
            return fail(error, QStringLiteral("editable range \"%1\" names no sheet").arg(range.sqref));
        const QString name = range.name.trimmed().isEmpty() ? QStringLiteral("allowEditRange1") : range.name;

        SheetRanges *sheet = nullptr;
        for (SheetRanges &s : *out)
            if (s.sheetName == range.sheetName)
                sheet = &s;
        if (!sheet) {
            out->append({range.sheetName, {}});
            sheet = &out->last();
        }
        for (int i = sheet->ranges.size() - 1; i >= 0; --i)
            if (sheet->ranges.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                sheet->ranges.removeAt(i);
        sheet->ranges.append({name, sqref});
    }
    return true;
}

// A file name reserved beside `path`, removed again unless released.
std::unique_ptr<QTemporaryFile> reserveBeside(const QString &path, QString *error)
{
    const QFileInfo info(path);
    auto file = std::make_unique<QTemporaryFile>(info.absolutePath() + QLatin1String("/.")
                                                 + info.fileName() + QLatin1String(".XXXXXX"));
    if (!file->open()) {
        fail(error, QStringLiteral("cannot create a temporary file in %1: %2")
                        .arg(info.absolutePath(), file->errorString()));
        return nullptr;
    }
    file->close();
    return file;
}

bool readWholeFile(const QString &path, QByteArray *out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    *out = file.readAll();
    if (file.error() != QFile::NoError)
        return fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return true;
}

// Puts `finished` in the place of `path` in one step, with the permissions `path` had.
bool replaceFile(const QString &finished, const QString &path, QString *error)
{
    const QFile::Permissions permissions = QFile::permissions(path);
    if (permissions)
        QFile::setPermissions(finished, permissions);
    if (std::rename(QFile::encodeName(finished).constData(), QFile::encodeName(path).constData()) != 0)
        return fail(error, QStringLiteral("cannot replace %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    return true;
}

// The workbook opens on `sheetName`: its position becomes the active tab and its
// tab alone is selected. The sheets are shared out between threads, as the
// formula results are: each part is gone through whole.
bool selectActiveSheet(const QString &path, const ZipPackage &package, const QString &workbookPart,
                       const QByteArray &workbookXml, const QString &sheetName, QHash<QString, QByteArray> *replaced,
                       QString *error)
{
    QList<SheetEntry> entries;
    if (!parseWorkbookSheets(workbookXml, &entries, error))
        return false;
    int active = -1;
    for (int i = 0; i < entries.size() && active < 0; ++i)
        if (entries.at(i).name == sheetName)
            active = i;
    if (active < 0)
        return fail(error, QStringLiteral("no sheet named \"%1\" to make active").arg(sheetName));
    QByteArray edited;
    QString reason;
    if (!setActiveTab(workbookXml, active, &edited, &reason))
        return fail(error, QStringLiteral("%1: %2").arg(workbookPart, reason));
    replaced->insert(workbookPart, edited);
    struct Sheet
    {
        QString part;
        bool selected = false;
        QByteArray edited;
        bool changed = false;
        bool ok = false;
        QString reason;
    };
    QVector<Sheet> sheets;
    for (int i = 0; i < entries.size(); ++i) {
        Sheet sheet;
        sheet.selected = i == active;
        if (findWorksheetPart(package, workbookPart, workbookXml, entries.at(i).name, &sheet.part, nullptr))
            sheets << sheet; // a chart sheet has no sheet view of this kind
    }
    sideBySide(sheets.size(), [&](int i) {
        Sheet &sheet = sheets[i];
        ZipPackage own; // one archive a thread
        QByteArray xml;
        QString why;
        if (!own.open(path, &sheet.reason) || !readEditedPart(own, *replaced, sheet.part, &xml, &sheet.reason))
            return;
        if (!setTabSelected(xml, sheet.selected, &sheet.edited, &why)) {
            sheet.reason = QStringLiteral("%1: %2").arg(sheet.part, why);
            return;
        }
        sheet.changed = sheet.edited != xml;
        sheet.ok = true;
    });
    for (const Sheet &sheet : qAsConst(sheets)) {
        if (!sheet.ok)
            return fail(error, sheet.reason.isEmpty() ? QStringLiteral("%1 cannot be read").arg(sheet.part) : sheet.reason);
        // Only parts that change are written anew; the others are copied.
        if (sheet.changed)
            replaced->insert(sheet.part, sheet.edited);
    }
    return true;
}

// Each sheet's formula results written into its part, the sheets shared out
// between threads: the time goes to inflating the parts and going through them.
bool writeAllFormulaResults(const QString &path, const ZipPackage &package, const QString &workbookPart,
                            const QByteArray &workbookXml, const QList<SheetFormulaResults> &all,
                            QHash<QString, QByteArray> *replaced, QString *error)
{
    struct Sheet
    {
        QString part;
        const SheetFormulaResults *results = nullptr;
        QByteArray edited;
        bool ok = false;
        QString reason;
    };
    QVector<Sheet> sheets;
    QSet<QString> parts;
    for (const SheetFormulaResults &results : all) {
        Sheet sheet;
        sheet.results = &results;
        if (!findWorksheetPart(package, workbookPart, workbookXml, results.sheetName, &sheet.part, error))
            return false;
        if (parts.contains(sheet.part))
            return fail(error, QStringLiteral("%1: results given twice").arg(sheet.part));
        parts.insert(sheet.part);
        sheets << sheet;
    }
    sideBySide(sheets.size(), [&](int i) {
        // An archive is read by one thread at a time: each sheet opens its own.
        Sheet &sheet = sheets[i];
        ZipPackage own;
        QByteArray xml;
        QString reason;
        if (!own.open(path, &sheet.reason))
            return;
        if (!readEditedPart(own, *replaced, sheet.part, &xml, &sheet.reason))
            return;
        if (!writeFormulaResults(xml, sheet.results->cells, &sheet.edited, &reason))
            sheet.reason = QStringLiteral("%1: %2").arg(sheet.part, reason);
        else
            sheet.ok = true;
    });
    for (const Sheet &sheet : qAsConst(sheets)) {
        if (!sheet.ok)
            return fail(error, sheet.reason.isEmpty() ? QStringLiteral("%1 cannot be read").arg(sheet.part) : sheet.reason);
        replaced->insert(sheet.part, sheet.edited);
    }
    return true;
}

// The parts of the package that change, by part name.
bool editParts(const QString &path, const ZipPackage &package, const PackageFinishing &what,
               const QList<SheetRanges> &sheets, QHash<QString, QByteArray> *replaced, QString *error)
{
    const bool carryOver = !what.sourcePackage.isEmpty() && !what.origins.isEmpty();
    if (!what.lockStructure && sheets.isEmpty() && what.activeSheetName.isEmpty() && !carryOver
        && what.formulaResults.isEmpty())
        return true;
    QString workbookPart;
    QByteArray workbookXml;
    if (!findWorkbookPart(package, &workbookPart, error))
        return false;
    if (carryOver && !carryOverFromSource(what.sourcePackage, what.origins, package, workbookPart, replaced, error))
        return false;
    if (!readEditedPart(package, *replaced, workbookPart, &workbookXml, error))
        return false;

    if (!writeAllFormulaResults(path, package, workbookPart, workbookXml, what.formulaResults, replaced, error))
        return false;

    for (const SheetRanges &sheet : sheets) {
        QString sheetPart;
        QByteArray sheetXml;
        QByteArray edited;
        QString reason;
        if (!findWorksheetPart(package, workbookPart, workbookXml, sheet.sheetName, &sheetPart, error)
            || !readEditedPart(package, *replaced, sheetPart, &sheetXml, error))
            return false;
        if (!addProtectedRanges(sheetXml, sheet.ranges, &edited, &reason))
            return fail(error, QStringLiteral("%1: %2").arg(sheetPart, reason));
        replaced->insert(sheetPart, edited);
    }

    if (what.lockStructure) {
        ProtectionHash hash;
        const bool withPassword = !what.structurePassword.isEmpty();
        if (withPassword && !makeProtectionHash(what.structurePassword, &hash))
            return fail(error, QStringLiteral("no random salt could be had for the structure password"));
        QByteArray edited;
        QString reason;
        if (!lockWorkbookStructure(workbookXml, withPassword ? &hash : nullptr, &edited, &reason))
            return fail(error, QStringLiteral("%1: %2").arg(workbookPart, reason));
        replaced->insert(workbookPart, edited);
        workbookXml = edited;
    }
    if (!what.activeSheetName.isEmpty() && !selectActiveSheet(path, package, workbookPart, workbookXml, what.activeSheetName,
                                                                  replaced, error))
        return false;
    return true;
}

} // namespace

bool isNothingToDo(const PackageFinishing &what)
{
    return !what.lockStructure && what.protectedRanges.isEmpty() && what.activeSheetName.isEmpty()
           && !(what.encrypt && !what.openPassword.isEmpty()) && (what.sourcePackage.isEmpty() || what.origins.isEmpty())
           && what.formulaResults.isEmpty();
}

bool finishPackage(const QString &givenPath, const PackageFinishing &what, QString *error)
{
    if (isNothingToDo(what))
        return true;
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo given(givenPath);
    const QString path = given.isSymLink() && given.exists() ? given.canonicalFilePath() : givenPath;
    QList<SheetRanges> sheets;
    if (!groupRanges(what.protectedRanges, &sheets, error))
        return false;

    ZipPackage package;
    if (!package.open(path, error))
        return false;
    QHash<QString, QByteArray> replaced;
    if (!editParts(path, package, what, sheets, &replaced, error))
        return false;

    // The finished zip: a new archive when parts changed, else the file as it is.
    std::unique_ptr<QTemporaryFile> zipFile;
    QString zipPath = path;
    if (!replaced.isEmpty()) {
        zipFile = reserveBeside(path, error);
        if (!zipFile || !package.saveAs(zipFile->fileName(), replaced, error))
            return false;
        zipPath = zipFile->fileName();
        ZipPackage check;
        if (!check.open(zipPath, error))
            return false;
    }

    const bool encrypt = what.encrypt && !what.openPassword.isEmpty();
    if (!encrypt)
        return zipPath == path || replaceFile(zipPath, path, error);

    QByteArray zipped;
    EncryptedStreams streams;
    if (!readWholeFile(zipPath, &zipped, error) || !encryptPackage(zipped, what.openPassword, &streams, error))
        return false;
    zipped.clear();
    const std::unique_ptr<QTemporaryFile> oleFile = reserveBeside(path, error);
    if (!oleFile || !writeEncryptedContainer(oleFile->fileName(), streams, error))
        return false;
    return replaceFile(oleFile->fileName(), path, error);
}

} // namespace ooxml
