#include "BookSaving.h"

#include "MemberCatalogue.h"

#include "BookContext.h"
#include "BookSideCopies.h"
#include "FormulaBatch.h"
#include "GroupedSource.h"
#include "SheetRegistry.h"
#include "ValueCache.h"

#include "CalcFormulaSyntax.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "PackageFinishing.h"
#include "SamePlace.h"
#include "SourceStructureLock.h"
#include "TableCopies.h"
#include "UnoProps.h"
#include "UnoText.h"
#include "XlsFinishing.h"
#include "XlsTextResults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/CellProtection.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include <cstdio>
#include <sys/stat.h>
#include <sys/types.h>

using namespace css;

namespace {

const char *filterFor(int fileFormat)
{
    switch (fileFormat) {
    case Xl::openXmlWorkbook: return "Calc MS Excel 2007 XML";
    case Xl::openXmlWorkbookMacroEnabled: return "Calc MS Excel 2007 VBA XML";
    case Xl::excel8: return "MS Excel 97";
    default: return nullptr;
    }
}

} // namespace

void BookSaving::requestStructureLock(const QString &password)
{
    m_lockStructure = true;
    m_structurePassword = password;
    // Written by the office itself in .xls; completed in the package for .xlsx.
    guarded(m_context.session(), [&]() -> bool {
        uno::Reference<util::XProtectable> protectable(m_context.document(), uno::UNO_QUERY_THROW);
        if (!protectable->isProtected())
            protectable->protect(ou(password));
        return true;
    }, false);
}

std::optional<bool> BookSaving::structureProtected()
{
    if (m_context.closed())
        return std::nullopt;
    const std::optional<bool> office = guarded(m_context.session(), [&]() -> std::optional<bool> {
        return uno::Reference<util::XProtectable>(m_context.document(), uno::UNO_QUERY_THROW)->isProtected();
    }, std::optional<bool>());
    if (!office || *office)
        return office;
    // The office drops an .xlsx's structure protection when loading it.
    if (!m_sourceLocksStructure)
        m_sourceLocksStructure = fileLocksStructure(m_context.packagePath());
    return *m_sourceLocksStructure;
}

bool BookSaving::unlockStructure(const QString &password)
{
    if (m_context.closed())
        return false;
    const std::optional<bool> office = guarded(m_context.session(), [&]() -> std::optional<bool> {
        uno::Reference<util::XProtectable> protectable(m_context.document(), uno::UNO_QUERY_THROW);
        try {
            if (protectable->isProtected())
                protectable->unprotect(ou(password));
        } catch (const uno::RuntimeException &) {
            // The office's way of saying the password is wrong.
        }
        return protectable->isProtected();
    }, std::optional<bool>());
    if (!office || *office)
        return false;
    // The lock the office dropped when loading an .xlsx is checked against
    // the file's own record of its password.
    if (!m_sourceLocksStructure)
        m_sourceLocksStructure = fileLocksStructure(m_context.packagePath());
    if (*m_sourceLocksStructure && !passwordOpensFileStructure(m_context.packagePath(), password))
        return false;
    m_sourceLocksStructure = false;
    return true;
}

void BookSaving::requestOpenPassword(const QString &password)
{
    m_encrypt = !password.isEmpty();
    m_openPassword = password;
}

void BookSaving::addEditRange(const std::shared_ptr<SheetState> &sheet, const QList<SheetArea> &areas)
{
    if (m_context.sourceIsXls()) {
        // .xls keeps no editable ranges: the cells are left unlocked instead.
        // A waiting Protect comes first, here and not before the call: an
        // .xlsx notes the range for saving and leaves the sheet alone.
        m_formulas.flushProtectionOf(*sheet);
        guarded(m_context.session(), [&]() -> bool {
            uno::Reference<beans::XPropertySet> props = m_sheets.propertiesOf(*sheet, areas);
            util::CellProtection protection;
            props->getPropertyValue("CellProtection") >>= protection;
            protection.IsLocked = false;
            props->setPropertyValue("CellProtection", uno::Any(protection));
            return true;
        }, false);
        return;
    }
    m_editRanges << EditRange{sheet, areas};
}

bool BookSaving::saveAs(const QString &path, int fileFormat)
{
    // Why a save gives up goes to the log: the user sees one text for all.
    const auto refuse = [&path](const char *why) {
        qCWarning(officeLog) << "not saved as" << path << ":" << why;
        return false;
    };
    m_sourceDamaged = false;
    const char *filter = filterFor(fileFormat);
    if (!filter || m_context.closed() || path.isEmpty())
        return refuse("no file format, no path, or the workbook is closed");
    const QFileInfo target(path);
    if (target.isDir())
        return refuse("a folder has that name");
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return refuse("the folder does not exist");
    // The source stays as it was: a result never replaces it.
    if (isSamePlace(target.absoluteFilePath(), m_context.sourcePath()))
        return refuse("that is the source workbook");
    // Stand-ins become copies, and the grouped source goes, before anything
    // is written.
    m_grouped.materializeAll();
    m_grouped.dropGroupedSource();
    if (m_grouped.heldFormulasLost())
        return refuse("the formulas of a category sheet could not be copied in");
    if (!m_sideCopies.bringInSideCopies())
        return refuse("the category sheets made aside could not be brought in");
    // An .xlsx's lookups may wait until everything else is calculated (see
    // KnownLookups).
    if (fileFormat != Xl::excel8)
        m_formulas.flushFormulasHoldingLookups();
    else
        m_formulas.flushFormulas();
    if (!m_sheets.alignSheetOrder())
        return refuse("the sheets could not be put in order");

    // Written beside the target and renamed over it only when complete.
    // The office writes into the session's private folder (with its own
    // scratch files); only the finished file comes into the target's folder,
    // as a hidden part that is renamed over the target when complete.
    OfficeSession &session = m_context.session();
    const QString scratch = session.scratchFolder();
    if (scratch.isEmpty())
        return refuse("the office session has no scratch folder");
    // The hidden part beside the target is reserved first, so an unwritable
    // folder shows before the office spends time on the file.
    QString partPath;
    {
        QTemporaryFile part(folder.absoluteFilePath(QStringLiteral(".%1.XXXXXX.part").arg(target.completeBaseName())));
        part.setAutoRemove(false);
        if (!part.open())
            return refuse("the folder cannot be written");
        partPath = part.fileName();
    }
    session.setPendingFile(partPath);
    const QString stagePath = scratch + QStringLiteral("/result.") + target.suffix().toLower();
    QFile::remove(stagePath);
    // An .xls with a locked structure comes out encrypted under the office's
    // default password, where its views cannot be set: it is stored unlocked,
    // finished, and locked in a second pass.
    const bool lockLater = fileFormat == Xl::excel8 && m_lockStructure;
    const auto store = [&]() -> bool {
        uno::Sequence<beans::PropertyValue> args = props({
            prop("FilterName", uno::Any(rtl::OUString::createFromAscii(filter))),
            prop("Overwrite", uno::Any(true)),
        });
        uno::Reference<util::XProtectable> protectable(m_context.document(), uno::UNO_QUERY_THROW);
        if (lockLater && protectable->isProtected())
            protectable->unprotect(ou(m_structurePassword));
        uno::Reference<frame::XStorable> storable(m_context.document(), uno::UNO_QUERY_THROW);
        storable->storeToURL(ou(QString::fromLatin1(QUrl::fromLocalFile(stagePath).toEncoded())), args);
        if (lockLater)
            protectable->protect(ou(m_structurePassword));
        return true;
    };
    std::optional<QList<ooxml::SheetFormulaResults>> results;
    // Where a save's time goes, for the log.
    QElapsedTimer clock;
    clock.start();
    qint64 finished = 0, prepared = 0, storedAt = 0;
    const bool stored = guarded(session, [&]() -> bool {
        finishSheets();
        finished = clock.elapsed();
        // An .xlsx gets the category sheets' lookups uncalculated and their
        // results written in (see KnownLookups).
        if (fileFormat != Xl::excel8)
            results = m_lookups.storeUncalculated();
        if (!results)
            m_values.calculateIfNeeded();
        prepared = clock.elapsed();
        const bool ok = store();
        storedAt = clock.elapsed();
        return ok;
    }, false);
    bool ok = stored && !session.lost() && QFileInfo(stagePath).size() > 0;
    if (!ok) {
        refuse(session.lost() ? "the office went away while storing" : "the office did not store the file");
    } else if (fileFormat != Xl::excel8) {
        ok = writePackage(stagePath, results.value_or(QList<ooxml::SheetFormulaResults>()));
        if (!ok && results) {
            // The office calculates the lookups after all, and stores again.
            qCWarning(officeLog) << "the lookups' results could not be written; the office calculates them";
            ok = guarded(session, [&]() -> bool {
                // Lookups stored as stand-ins go in as formulas first.
                if (!m_formulas.sendHeldLookups())
                    return false;
                m_values.calculateIfNeeded();
                return store();
            }, false) && !session.lost() && QFileInfo(stagePath).size() > 0 && writePackage(stagePath, {});
        }
        ok = ok || refuse("the stored package could not be finished");
    } else {
        ok = finishXlsResult(m_context.sourcePath(), stagePath, sheetOrigins(), m_sheets.sheetNames(), &m_sourceDamaged);
        // The office locks and encrypts .xls files itself: the finished file
        // goes through it once more. Loaded as it is, its views stay each
        // sheet's.
        if (ok && (m_encrypt || lockLater))
            ok = storeXlsAgain(stagePath, filter, lockLater) && keepXlsMacroProject(m_context.sourcePath(), stagePath);
        if (!ok)
            refuse("the stored .xls could not be finished");
    }
    qCInfo(officeLog).noquote() << QStringLiteral("save: sheets finished in %1 ms, lookups or calculation %2 ms, "
                                                  "the office stored in %3 ms, the file finished in %4 ms")
                                       .arg(finished).arg(prepared - finished).arg(storedAt - prepared)
                                       .arg(clock.elapsed() - storedAt);
    if (ok) {
        QFile::remove(partPath);
        ok = QFile::copy(stagePath, partPath) || refuse("the result could not be copied beside the target");
    }
    if (ok) {
        // The result gets the permissions a new file would get (or those of
        // the file it replaces), not the temporary file's private ones.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat existing;
        const mode_t mode = ::stat(QFile::encodeName(target.absoluteFilePath()).constData(), &existing) == 0
            ? (existing.st_mode & 07777)
            : (0666 & ~mask);
        ::chmod(QFile::encodeName(partPath).constData(), mode);
        ok = std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) == 0
             || refuse("the result could not be renamed over the target");
    }
    if (!ok)
        QFile::remove(partPath);
    session.setPendingFile(QString());
    QFile::remove(stagePath);
    return ok;
}

bool BookSaving::storeXlsAgain(const QString &path, const char *filter, bool lockStructure)
{
    const QString again = path + QStringLiteral(".again");
    QFile::remove(again);
    OfficeSession &session = m_context.session();
    const bool stored = guarded(session, [&]() -> bool {
        uno::Reference<frame::XComponentLoader> loader(session.desktop(), uno::UNO_QUERY_THROW);
        uno::Reference<lang::XComponent> component = loader->loadComponentFromURL(
            ou(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())), "_blank", 0,
            props({prop("Hidden", uno::Any(true)), prop("Silent", uno::Any(true)),
                   prop("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE))}));
        uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY_THROW);
        try {
            // INDIRECT reads Excel's references here too, and its volatile
            // results are computed anew before they are stored.
            uno::Reference<lang::XMultiServiceFactory> factory(component, uno::UNO_QUERY_THROW);
            uno::Reference<beans::XPropertySet>(factory->createInstance("com.sun.star.document.Settings"),
                                                uno::UNO_QUERY_THROW)
                ->setPropertyValue("SyntaxStringRef", uno::Any(kCalcOrExcelA1));
            uno::Reference<sheet::XCalculatable>(component, uno::UNO_QUERY_THROW)->calculateAll();
            // Every formula has come in from the file again.
            reenterTextFormulas(uno::Reference<sheet::XSpreadsheetDocument>(component, uno::UNO_QUERY_THROW),
                                m_formulas.sheetPasswords());
            if (lockStructure)
                uno::Reference<util::XProtectable>(component, uno::UNO_QUERY_THROW)->protect(ou(m_structurePassword));
            uno::Sequence<beans::PropertyValue> args = props({
                prop("FilterName", uno::Any(rtl::OUString::createFromAscii(filter))),
                prop("Overwrite", uno::Any(true)),
            });
            if (m_encrypt) {
                args.realloc(args.getLength() + 1);
                args.getArray()[args.getLength() - 1] = prop("Password", uno::Any(ou(m_openPassword)));
            }
            uno::Reference<frame::XStorable>(component, uno::UNO_QUERY_THROW)
                ->storeToURL(ou(QString::fromLatin1(QUrl::fromLocalFile(again).toEncoded())), args);
        } catch (...) {
            closeable->close(true);
            throw;
        }
        closeable->close(true);
        return true;
    }, false);
    const bool ok = stored && !session.lost() && QFileInfo(again).size() > 0 && QFile::remove(path)
                    && QFile::rename(again, path);
    QFile::remove(again);
    return ok;
}

bool BookSaving::writePackage(const QString &tempPath, const QList<ooxml::SheetFormulaResults> &results)
{
    ooxml::PackageFinishing what;
    what.formulaResults = results;
    what.lockStructure = m_lockStructure;
    what.structurePassword = m_structurePassword;
    what.encrypt = m_encrypt;
    what.openPassword = m_openPassword;
    for (const EditRange &range : m_editRanges) {
        const QString sheetName = m_sheets.nameOf(*range.sheet);
        if (sheetName.isNull())
            continue;
        ooxml::ProtectedRange pr;
        pr.sheetName = sheetName;
        pr.sqref = areasText(range.areas);
        what.protectedRanges << pr;
    }
    if (m_activeSheet)
        what.activeSheetName = m_sheets.nameOf(*m_activeSheet);
    const QString sourceSuffix = QFileInfo(m_context.sourcePath()).suffix().toLower();
    if (sourceSuffix == QLatin1String("xlsx") || sourceSuffix == QLatin1String("xlsm")) {
        what.sourcePackage = m_context.packagePath();
        what.origins = sheetOrigins();
    }
    if (ooxml::isNothingToDo(what))
        return true;
    return ooxml::finishPackage(tempPath, what);
}

void BookSaving::finishSheets()
{
    QList<QPair<QString, QString>> copies;
    for (const ooxml::SheetOrigin &origin : sheetOrigins()) {
        if (origin.isCopy())
            copies.append({origin.sheetName, origin.sourceSheetName});
    }
    const QStringList &passwords = m_formulas.sheetPasswords();
    giveCopiesTheirTables(m_context.document(), copies, passwords);
    SheetFilters::giveCopiesFilterButtons(m_context.document(), copies, passwords);
    SheetFilters::hideAgain(m_context.document(), m_filtersAside, passwords);
}

QList<ooxml::SheetOrigin> BookSaving::sheetOrigins()
{
    QHash<QString, QString> originOf;
    const QStringList &sourceSheetNames = m_sheets.sourceSheetNames();
    for (const auto &state : m_sheets.states()) {
        std::shared_ptr<SheetState> root = state;
        while (auto from = root->lineage.source.lock())
            root = from;
        const QString rootName = m_sheets.nameOf(*root);
        if (sourceSheetNames.contains(rootName))
            originOf.insert(m_sheets.nameOf(*state), rootName);
    }
    QList<ooxml::SheetOrigin> origins;
    for (const QString &name : m_sheets.sheetNames()) {
        if (originOf.contains(name))
            origins.append({name, originOf.value(name)});
        else if (sourceSheetNames.contains(name))
            origins.append({name, name});
    }
    return origins;
}

void BookSaving::forgetFiltersAsideOf(const QString &sheetName)
{
    for (int i = m_filtersAside.size() - 1; i >= 0; --i) {
        if (m_filtersAside.at(i).sheetName == sheetName)
            m_filtersAside.removeAt(i);
    }
}
