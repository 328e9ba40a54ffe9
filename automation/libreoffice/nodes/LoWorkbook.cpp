#include "LoNodes.h"

#include "Book.h"
#include "EncryptedSource.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoProps.h"
#include "UnoText.h"

#include <QFileInfo>
#include <QUrl>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XProtectable.hpp>

using namespace css;

// ---- Workbooks ----

std::shared_ptr<AutomationNode> LoWorkbooks::queryMember(Member member, const QVariantList &args)
{
    if (member != Member::Open || args.isEmpty())
        return nullptr;
    const QString path = args.first().toString();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return nullptr;
    const QString absolute = info.absoluteFilePath();
    auto document = guarded(session(), [&]() -> uno::Reference<sheet::XSpreadsheetDocument> {
        uno::Sequence<beans::PropertyValue> options = props({
            prop("Hidden", uno::Any(true)),
            prop("ReadOnly", uno::Any(false)),
            prop("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            prop("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
            prop("RepairPackage", uno::Any(false)),
            prop("Silent", uno::Any(true)),
        });
        // Open(name, links, read-only, format, password): an encrypted
        // workbook's password.
        const QString password = args.value(4).toString();
        // The office's type detection gives up on an encrypted package: its
        // filter is named by the file's ending.
        if (!password.isEmpty()) {
            const bool xls = absolute.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive);
            const sal_Int32 count = options.getLength();
            options.realloc(count + 2);
            options[count] = prop("Password", uno::Any(ou(password)));
            options[count + 1] = prop("FilterName", uno::Any(ou(QString::fromLatin1(xls ? "MS Excel 97" : "Calc MS Excel 2007 XML"))));
        }
        uno::Reference<frame::XComponentLoader> loader(session().desktop(), uno::UNO_QUERY_THROW);
        const rtl::OUString url = ou(QString::fromLatin1(QUrl::fromLocalFile(absolute).toEncoded()));
        uno::Reference<lang::XComponent> component
            = loader->loadComponentFromURL(url, "_blank", 0, options);
        uno::Reference<sheet::XSpreadsheetDocument> spreadsheet(component, uno::UNO_QUERY);
        if (!spreadsheet.is() && component.is()) {
            // Loaded, but not as a workbook (a text document under a workbook's name).
            uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
        }
        return spreadsheet;
    }, uno::Reference<sheet::XSpreadsheetDocument>());
    if (!document.is())
        return nullptr;
    auto book = std::make_shared<Book>(session(), document, absolute, readableSource(absolute, args.value(4).toString()));
    if (book->sheetCount() < 1)
        return nullptr;
    return std::make_shared<LoWorkbook>(m_session, book);
}

// ---- Workbook ----

std::shared_ptr<AutomationNode> LoBookNode::worksheetAt(int position) const
{
    auto state = m_book->sheetAt(position - 1);
    return state ? std::make_shared<LoWorksheet>(m_session, m_book, state) : nullptr;
}

QVariant LoWorkbook::callMember(Member member, const QVariantList &args)
{
    switch (member) {
    case Member::Protect:
        m_book->requestStructureLock(args.value(0).toString());
        return true;
    case Member::Unprotect:
        return m_book->unlockStructure(args.value(0).toString()) ? QVariant(true) : QVariant();
    case Member::SaveAs:
        if (args.size() < 2)
            return QVariant();
        return m_book->saveAs(args.at(0).toString(), args.at(1).toInt()) ? QVariant(true) : QVariant();
    case Member::Close:
        m_book->close();
        return true;
    default:
        return QVariant();
    }
}

std::shared_ptr<AutomationNode> LoWorkbook::queryMember(Member member, const QVariantList &args)
{
    switch (member) {
    case Member::Sheets:
        if (args.isEmpty())
            return std::make_shared<LoSheets>(m_session, m_book);
        return nullptr;
    case Member::Worksheets:
        if (args.isEmpty())
            return std::make_shared<LoSheets>(m_session, m_book);
        return worksheetAt(args.value(0).toInt());
    case Member::WorkSheets:
        return worksheetAt(args.value(0).toInt());
    case Member::CustomDocumentProperties:
        return std::make_shared<LoDocumentProperties>(m_session, m_book);
    default:
        return nullptr;
    }
}

QVariant LoWorkbook::getMember(Member member)
{
    switch (member) {
    case Member::FullName:
        return m_book->sourcePath();
    case Member::SourceDamaged:
        return m_book->sourceDamaged();
    case Member::ProtectStructure: {
        const std::optional<bool> locked = m_book->structureProtected();
        return locked ? QVariant(*locked) : QVariant();
    }
    default:
        return QVariant();
    }
}

bool LoWorkbook::setMember(Member member, const QVariant &value)
{
    if (member != Member::Password)
        return false;
    m_book->requestOpenPassword(value.toString());
    return true;
}

// ---- Sheets ----

QVariant LoSheets::callMember(Member member, const QVariantList &)
{
    switch (member) {
    case Member::Add: {
        // Excel puts a new sheet first, named "SheetN" with the first free N.
        const QStringList names = m_book->sheetNames();
        for (int n = 1; n < 100000; ++n) {
            const QString name = QStringLiteral("Sheet%1").arg(n);
            if (!names.contains(name, Qt::CaseInsensitive))
                return m_book->addSheetFirst(name) ? QVariant(true) : QVariant();
        }
        return QVariant();
    }
    case Member::Count:
        return getMember(Member::Count);
    default:
        return QVariant();
    }
}

std::shared_ptr<AutomationNode> LoSheets::queryMember(Member member, const QVariantList &args)
{
    if (member != Member::Item)
        return nullptr;
    return worksheetAt(args.value(0).toInt());
}

QVariant LoSheets::getMember(Member member)
{
    if (member != Member::Count)
        return QVariant();
    const int count = m_book->sheetCount();
    return count >= 0 ? QVariant(count) : QVariant();
}
