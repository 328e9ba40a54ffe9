#include "LoNodes.h"

#include "Book.h"
#include "Guarded.h"
#include "UnoText.h"

#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>

using namespace css;

namespace {

uno::Reference<beans::XPropertyContainer> userProperties(const Book &book)
{
    uno::Reference<document::XDocumentPropertiesSupplier> supplier(book.document(), uno::UNO_QUERY_THROW);
    return supplier->getDocumentProperties()->getUserDefinedProperties();
}

QStringList propertyNames(const Book &book)
{
    uno::Reference<beans::XPropertySet> set(userProperties(book), uno::UNO_QUERY_THROW);
    QStringList names;
    for (const beans::Property &property : set->getPropertySetInfo()->getProperties())
        names << qs(property.Name);
    return names;
}

} // namespace

// Add(name, linked to content, type, value): a text property; a name the
// document has already is refused, as Excel refuses it.
QVariant LoDocumentProperties::callMember(Member member, const QVariantList &args)
{
    if (member == Member::Count)
        return getMember(Member::Count);
    if (member != Member::Add || args.size() < 4 || args.at(0).toString().isEmpty())
        return QVariant();
    return guarded(session(), [&]() -> QVariant {
        userProperties(*m_book)->addProperty(ou(args.at(0).toString()), beans::PropertyAttribute::REMOVABLE,
                                             uno::Any(ou(args.at(3).toString())));
        return true;
    }, QVariant());
}

std::shared_ptr<AutomationNode> LoDocumentProperties::queryMember(Member member, const QVariantList &args)
{
    if (member != Member::Item || args.isEmpty())
        return nullptr;
    const QStringList names = guarded(session(), [&]() { return propertyNames(*m_book); }, QStringList());
    QString name;
    if (args.at(0).type() == QVariant::String) {
        for (const QString &known : names) {
            if (known.compare(args.at(0).toString(), Qt::CaseInsensitive) == 0)
                name = known;
        }
    } else {
        name = names.value(args.at(0).toInt() - 1);
    }
    return name.isEmpty() ? nullptr : std::make_shared<LoDocumentProperty>(m_session, m_book, name);
}

QVariant LoDocumentProperties::getMember(Member member)
{
    if (member != Member::Count)
        return QVariant();
    return guarded(session(), [&]() -> QVariant { return int(propertyNames(*m_book).size()); }, QVariant());
}

QVariant LoDocumentProperty::callMember(Member member, const QVariantList &)
{
    if (member != Member::Delete)
        return QVariant();
    return guarded(session(), [&]() -> QVariant {
        userProperties(*m_book)->removeProperty(ou(m_name));
        return true;
    }, QVariant());
}

QVariant LoDocumentProperty::getMember(Member member)
{
    switch (member) {
    case Member::Name:
        return m_name;
    case Member::Value:
        return guarded(session(), [&]() -> QVariant {
            uno::Reference<beans::XPropertySet> set(userProperties(*m_book), uno::UNO_QUERY_THROW);
            const uno::Any value = set->getPropertyValue(ou(m_name));
            rtl::OUString text;
            if (value >>= text)
                return qs(text);
            double number = 0;
            if (value >>= number)
                return number;
            return QVariant();
        }, QVariant());
    default:
        return QVariant();
    }
}
