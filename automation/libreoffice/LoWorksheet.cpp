#include "LoNodes.h"

#include "Book.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "SheetNames.h"
#include "UnoText.h"

#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/sheet/XDatabaseRange.hpp>
#include <com/sun/star/sheet/XSheetFilterDescriptor.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/sheet/TableFilterField.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/util/XProtectable.hpp>

using namespace css;

namespace {

std::shared_ptr<SheetState> sheetArgument(const QVariant &value)
{
    auto node = std::dynamic_pointer_cast<LoSheetNode>(nodeOf(value));
    return node ? node->sheetState() : nullptr;
}

} // namespace

// ---- Anything of one sheet ----

QVariant LoSheetNode::call(const MemberText &member, const QVariantList &args)
{
    m_book->beforeUse(*m_sheet, sheetUseOf('D', objectKind(), member.name()));
    return callOnSheet(member, args);
}

bool LoSheetNode::set(const QByteArray &name, const QVariant &value)
{
    m_book->beforeUse(*m_sheet, sheetUseOf('S', objectKind(), name));
    return setOnSheet(name, value);
}

// ---- Worksheet ----

QVariant LoWorksheet::callOnSheet(const MemberText &member, const QVariantList &args)
{
    if (member.is("Copy"))
        return copyBefore(args);
    if (member.is("Move"))
        return moveBefore(args);
    if (member.is("Protect"))
        return m_book->protectSheet(*m_sheet, args.value(0).toString()) ? QVariant(true) : QVariant();
    if (member.is("Select") || member.is("Activate")) {
        m_book->flushFormulas();
        m_book->setActiveSheet(m_sheet);
        return guarded(session(), [&]() -> QVariant {
            uno::Reference<frame::XModel> model(m_book->document(), uno::UNO_QUERY_THROW);
            uno::Reference<sheet::XSpreadsheetView> view(model->getCurrentController(), uno::UNO_QUERY_THROW);
            // The view only follows while its controllers are unlocked.
            const bool locked = model->hasControllersLocked();
            if (locked)
                model->unlockControllers();
            view->setActiveSheet(m_sheet->sheet);
            if (locked)
                model->lockControllers();
            return true;
        }, QVariant());
    }
    if (member.is("Name") || member.is("Row"))
        return get(member.name());
    return QVariant();
}

std::shared_ptr<AutomationNode> LoWorksheet::query(const MemberText &member, const QVariantList &args)
{
    if (member.is("Cells")) {
        if (args.size() < 2) {
            return std::make_shared<LoRange>(m_session, m_book, m_sheet,
                                             QList<SheetArea>{SheetArea{1, 1, kSheetRows, kSheetColumns}});
        }
        const int row = args.at(0).toInt();
        const int column = args.at(1).toInt();
        if (row < 1 || row > kSheetRows || column < 1 || column > kSheetColumns)
            return nullptr;
        return std::make_shared<LoRange>(m_session, m_book, m_sheet, QList<SheetArea>{SheetArea{row, column, row, column}});
    }
    if (member.is("Range")) {
        QList<SheetArea> areas = parseAreas(args.value(0).toString());
        if (areas.isEmpty())
            return nullptr;
        return std::make_shared<LoRange>(m_session, m_book, m_sheet, areas);
    }
    if (member.is("UsedRange")) {
        m_book->flushFormulas();
        const SheetState &content = m_book->contentOf(*m_sheet);
        const SheetArea used = guarded(session(), [&] { return Book::readUsedArea(content.sheet); }, SheetArea{1, 1, 1, 1});
        return std::make_shared<LoRange>(m_session, m_book, m_sheet, QList<SheetArea>{used});
    }
    if (member.is("Hyperlinks"))
        return std::make_shared<LoHyperlinks>(m_session, m_book, m_sheet);
    if (member.is("Protection"))
        return std::make_shared<LoProtection>(m_session, m_book, m_sheet);
    return nullptr;
}

QVariant LoWorksheet::get(const QByteArray &name)
{
    if (name == "Name") {
        const QString sheetName = m_book->nameOf(*m_sheet);
        return sheetName.isNull() ? QVariant() : QVariant(sheetName);
    }
    if (name == "Index") {
        const int index = m_book->indexOf(*m_sheet);
        return index >= 0 ? QVariant(index + 1) : QVariant();
    }
    if (name == "ProtectContents") {
        const std::optional<bool> locked = m_book->sheetProtected(*m_sheet);
        return locked ? QVariant(*locked) : QVariant();
    }
    return QVariant();
}

bool LoWorksheet::setOnSheet(const QByteArray &name, const QVariant &value)
{
    if (name == "Name")
        return rename(value.toString());
    if (name == "AutoFilterMode") {
        if (value.toBool())
            return false; // only switching a filter off is supported
        m_sheet->filterActive = false;
        m_sheet->hiddenRows.clear();
        // A filter the sheet brought with it goes too, as in Excel.
        const int tab = m_book->tabOf(*m_sheet);
        return guarded(session(), [&]() -> bool {
            uno::Reference<beans::XPropertySet> docProps(m_book->documentOf(*m_sheet), uno::UNO_QUERY_THROW);
            uno::Reference<sheet::XUnnamedDatabaseRanges> unnamed(
                docProps->getPropertyValue("UnnamedDatabaseRanges"), uno::UNO_QUERY_THROW);
            if (tab < 0 || !unnamed->hasByTable(static_cast<sal_Int16>(tab)))
                return true;
            // Rows it hid show again: copies made before differ from the sheet now.
            ++m_sheet->version;
            uno::Reference<sheet::XDatabaseRange> range(unnamed->getByTable(static_cast<sal_Int16>(tab)), uno::UNO_QUERY_THROW);
            uno::Reference<beans::XPropertySet> rangeProps(range, uno::UNO_QUERY_THROW);
            range->getFilterDescriptor()->setFilterFields(uno::Sequence<sheet::TableFilterField>());
            range->refresh();
            rangeProps->setPropertyValue("AutoFilter", uno::Any(false));
            m_book->invalidateValues();
            return true;
        }, false);
    }
    return false;
}

bool LoWorksheet::rename(const QString &name)
{
    QStringList others = m_book->sheetNames();
    others.removeOne(m_book->nameOf(*m_sheet));
    if (!isAcceptableSheetName(name, others))
        return false;
    return m_book->renameSheet(*m_sheet, name);
}

QVariant LoWorksheet::copyBefore(const QVariantList &args)
{
    auto before = sheetArgument(args.value(0));
    if (!before)
        return QVariant();
    return m_book->copySheet(*m_sheet, *before) ? QVariant(true) : QVariant();
}

QVariant LoWorksheet::moveBefore(const QVariantList &args)
{
    auto before = sheetArgument(args.value(0));
    if (!before)
        return QVariant();
    return m_book->moveSheet(*m_sheet, *before) ? QVariant(true) : QVariant();
}
