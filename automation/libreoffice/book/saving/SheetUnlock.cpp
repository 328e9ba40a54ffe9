#include "SheetUnlock.h"

#include "UnoText.h"

#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/util/XProtectable.hpp>

using namespace css;

bool editUnlocked(const uno::Reference<sheet::XSpreadsheet> &sheet, const QStringList &passwords,
                  const std::function<void()> &edit)
{
    uno::Reference<util::XProtectable> protectable(sheet, uno::UNO_QUERY_THROW);
    if (!protectable->isProtected()) {
        edit();
        return true;
    }
    for (const QString &password : passwords) {
        try {
            protectable->unprotect(ou(password));
        } catch (const lang::IllegalArgumentException &) {
            continue;
        }
        if (protectable->isProtected())
            continue;
        try {
            edit();
        } catch (...) {
            protectable->protect(ou(password));
            throw;
        }
        protectable->protect(ou(password));
        return true;
    }
    return false;
}
