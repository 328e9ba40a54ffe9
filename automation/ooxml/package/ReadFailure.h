#pragma once

#include <QString>

namespace readers {

// How the package and file readers give up: the reason goes into `error`
// when the caller asked for one, and false is returned for it to pass on.
inline bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace readers
