#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <initializer_list>

inline css::beans::PropertyValue prop(const char *name, const css::uno::Any &value)
{
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

inline css::uno::Sequence<css::beans::PropertyValue> props(std::initializer_list<css::beans::PropertyValue> list)
{
    css::uno::Sequence<css::beans::PropertyValue> seq(static_cast<sal_Int32>(list.size()));
    sal_Int32 i = 0;
    for (const auto &p : list)
        seq.getArray()[i++] = p;
    return seq;
}
