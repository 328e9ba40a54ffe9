#include "LoNodes.h"

#include "Book.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextRange.hpp>

using namespace css;

// Hyperlinks.Add(anchor, address, subAddress): a link in the anchor cell that
// keeps the cell's text. An empty address with a sub-address is a link into
// this workbook.
QVariant LoHyperlinks::callMember(Member member, const QVariantList &args)
{
    if (member != Member::Add || args.size() < 2)
        return QVariant();
    auto anchor = std::dynamic_pointer_cast<LoRange>(nodeOf(args.at(0)));
    if (!anchor || anchor->areas().isEmpty() || anchor->sheetState() != m_sheet)
        return QVariant();
    const QString address = args.value(1).toString();
    const QString subAddress = args.value(2).toString();
    QString url = address;
    if (!subAddress.isEmpty())
        url += QLatin1Char('#') + subAddress;
    if (url.isEmpty())
        return QVariant();
    // Here, not before the call: only a link it makes writes to the sheet
    // (and the values cached go after it, below).
    m_book->flushFormulasOf(*m_sheet);
    const SheetArea cellArea = anchor->areas().first();
    const bool ok = guarded(session(), [&]() -> bool {
        uno::Reference<table::XCell> cell = m_sheet->sheet->getCellByPosition(cellArea.left - 1, cellArea.top - 1);
        uno::Reference<text::XText> text(cell, uno::UNO_QUERY_THROW);
        QString shown = qs(text->getString());
        if (shown.isEmpty())
            shown = subAddress.isEmpty() ? address : subAddress;
        uno::Reference<lang::XMultiServiceFactory> factory(m_book->document(), uno::UNO_QUERY_THROW);
        uno::Reference<text::XTextContent> field(
            factory->createInstance("com.sun.star.text.TextField.URL"), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> fieldProps(field, uno::UNO_QUERY_THROW);
        fieldProps->setPropertyValue("URL", uno::Any(ou(url)));
        fieldProps->setPropertyValue("Representation", uno::Any(ou(shown)));
        text->setString(rtl::OUString());
        uno::Reference<text::XTextRange> start(text->createTextCursor(), uno::UNO_QUERY_THROW);
        text->insertTextContent(start, field, false);
        // A cell that takes a hyperlink takes the "Hyperlink" style, as in Excel.
        uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)
            ->setPropertyValue("CellStyle", uno::Any(rtl::OUString("Hyperlink")));
        return true;
    }, false);
    m_book->invalidateValues();
    return ok ? QVariant(true) : QVariant();
}

std::shared_ptr<AutomationNode> LoProtection::queryMember(Member member, const QVariantList &)
{
    if (member == Member::AllowEditRanges)
        return std::make_shared<LoAllowEditRanges>(m_session, m_book, m_sheet);
    return nullptr;
}

// AllowEditRanges.Add(title, range): the range stays editable once the sheet
// is protected.
QVariant LoAllowEditRanges::callMember(Member member, const QVariantList &args)
{
    if (member != Member::Add || args.size() < 2)
        return QVariant();
    auto range = std::dynamic_pointer_cast<LoRange>(nodeOf(args.at(1)));
    QList<SheetArea> areas;
    if (range && range->sheetState() == m_sheet)
        areas = range->areas();
    else if (!nodeOf(args.at(1)))
        areas = parseAreas(args.at(1).toString());
    if (areas.isEmpty())
        return QVariant();
    m_book->addEditRange(m_sheet, areas);
    return true;
}
