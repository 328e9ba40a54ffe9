#pragma once

#include <QString>
#include <rtl/ustring.hxx>

inline rtl::OUString ou(const QString &s)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

inline QString qs(const rtl::OUString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getStr()), s.getLength());
}
