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

void LoSheetNode::beforeUse(const SheetCall &use)
{
    SheetCall call = use;
    call.areas = cellAreas();
    m_cells = &m_book->beforeUse(*m_sheet, call);
}

void LoSheetNode::afterUse(const SheetCall &use)
{
    m_book->afterUse(*m_sheet, use);
}

// ---- Worksheet ----

QVariant LoWorksheet::callMember(Member member, const QVariantList &args)
{
    switch (member) {
    case Member::Copy:
        return copyBefore(args);
    case Member::Move:
        return moveBefore(args);
    case Member::Protect:
        return m_book->protectSheet(*m_sheet, args.value(0).toString()) ? QVariant(true) : QVariant();
    case Member::ShowAllData:
        // Excel's ShowAllData keeps the buttons.
        return clearSheetFilter(true) ? QVariant(true) : QVariant();
    case Member::Unprotect:
        // A wrong password leaves the sheet protected, and the call fails.
        return guarded(session(), [&]() -> QVariant {
            uno::Reference<util::XProtectable> protectable(m_sheet->sheet, uno::UNO_QUERY_THROW);
            try {
                if (protectable->isProtected())
                    protectable->unprotect(ou(args.value(0).toString()));
            } catch (const uno::RuntimeException &) {
                // The office's way of saying the password is wrong.
            }
            return protectable->isProtected() ? QVariant() : QVariant(true);
        }, QVariant());
    case Member::Delete:
        return m_book->removeSheet(*m_sheet) ? QVariant(true) : QVariant();
    case Member::Select:
    case Member::Activate: {
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
    case Member::Name:
        return getMember(member);
    default:
        return QVariant();
    }
}

std::shared_ptr<AutomationNode> LoWorksheet::queryMember(Member member, const QVariantList &args)
{
    switch (member) {
    case Member::Cells: {
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
    case Member::Range: {
        QList<SheetArea> areas = parseAreas(args.value(0).toString());
        if (areas.isEmpty())
            return nullptr;
        return std::make_shared<LoRange>(m_session, m_book, m_sheet, areas);
    }
    case Member::UsedRange: {
        const SheetArea used = guarded(session(), [&] { return Book::readUsedArea(cells().sheet); }, SheetArea{1, 1, 1, 1});
        return std::make_shared<LoRange>(m_session, m_book, m_sheet, QList<SheetArea>{used});
    }
    case Member::Hyperlinks:
        return std::make_shared<LoHyperlinks>(m_session, m_book, m_sheet);
    case Member::Protection:
        return std::make_shared<LoProtection>(m_session, m_book, m_sheet);
    default:
        return nullptr;
    }
}

QVariant LoWorksheet::getMember(Member member)
{
    switch (member) {
    case Member::Name: {
        const QString sheetName = m_book->nameOf(*m_sheet);
        return sheetName.isNull() ? QVariant() : QVariant(sheetName);
    }
    case Member::Index: {
        const int index = m_book->indexOf(*m_sheet);
        return index >= 0 ? QVariant(index + 1) : QVariant();
    }
    case Member::ProtectContents: {
        const std::optional<bool> locked = m_book->sheetProtected(cells());
        return locked ? QVariant(*locked) : QVariant();
    }
    case Member::AutoFilterMode:
        return guarded(session(), [&]() -> QVariant {
            const uno::Reference<beans::XPropertySet> range = sheetFilterRange();
            bool buttons = false;
            if (range.is())
                range->getPropertyValue("AutoFilter") >>= buttons;
            return buttons;
        }, QVariant());
    default:
        return QVariant();
    }
}

uno::Reference<beans::XPropertySet> LoWorksheet::sheetFilterRange() const
{
    const int tab = m_book->tabOf(*m_sheet);
    uno::Reference<beans::XPropertySet> docProps(m_book->documentOf(*m_sheet), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XUnnamedDatabaseRanges> unnamed(docProps->getPropertyValue("UnnamedDatabaseRanges"),
                                                          uno::UNO_QUERY_THROW);
    if (tab < 0 || !unnamed->hasByTable(static_cast<sal_Int16>(tab)))
        return nullptr;
    return uno::Reference<beans::XPropertySet>(unnamed->getByTable(static_cast<sal_Int16>(tab)), uno::UNO_QUERY_THROW);
}

// The sheet's filter without its criteria, every row it hid shown, with or
// without its buttons; the filter the job emulates goes too.
bool LoWorksheet::clearSheetFilter(bool keepButtons)
{
    m_sheet->filter.active = false;
    m_sheet->filter.hiddenRows.clear();
    return guarded(session(), [&]() -> bool {
        const uno::Reference<beans::XPropertySet> rangeProps = sheetFilterRange();
        if (!rangeProps.is())
            return true;
        // Rows it hid show again: copies made before differ from the sheet
        // now. Only the office knows whether the sheet came with a filter,
        // so the version is counted and cached values dropped here.
        ++m_sheet->version;
        uno::Reference<sheet::XDatabaseRange> range(rangeProps, uno::UNO_QUERY_THROW);
        range->getFilterDescriptor()->setFilterFields(uno::Sequence<sheet::TableFilterField>());
        range->refresh();
        if (!keepButtons)
            rangeProps->setPropertyValue("AutoFilter", uno::Any(false));
        m_book->invalidateValues();
        return true;
    }, false);
}

bool LoWorksheet::setMember(Member member, const QVariant &value)
{
    switch (member) {
    case Member::Name:
        return rename(value.toString());
    case Member::AutoFilterMode: {
        if (value.toBool())
            return false; // only switching a filter off is supported
        // A filter the sheet brought with it goes too, as in Excel.
        return clearSheetFilter(false);
    }
    default:
        return false;
    }
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
