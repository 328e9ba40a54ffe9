#include "ScriptFonts.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/util/XProtectable.hpp>

using namespace css;

namespace {

// The Western font's name, family, character set and pitch copied to the other
// two scripts where they differ. One call per property set, whatever its size.
void matchOne(const uno::Reference<beans::XPropertySet> &props)
{
    if (!props.is())
        return;
    rtl::OUString western;
    if (!(props->getPropertyValue("CharFontName") >>= western) || western.isEmpty())
        return;
    static const char *const scripts[] = {"Asian", "Complex"};
    for (const char *script : scripts) {
        const rtl::OUString suffix = rtl::OUString::createFromAscii(script);
        rtl::OUString current;
        props->getPropertyValue("CharFontName" + suffix) >>= current;
        if (current == western)
            continue;
        props->setPropertyValue("CharFontName" + suffix, uno::Any(western));
        for (const char *part : {"CharFontFamily", "CharFontCharSet", "CharFontPitch"})
            props->setPropertyValue(rtl::OUString::createFromAscii(part) + suffix,
                                    props->getPropertyValue(rtl::OUString::createFromAscii(part)));
    }
}

} // namespace

namespace ScriptFonts {

void matchToWestern(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    // The office refuses every change to a cell style while any sheet is
    // protected, and every change to the cells of a protected sheet: the
    // cells of the open sheets then get their fonts directly, and a sheet the
    // user protected keeps its own as they are.
    uno::Reference<container::XIndexAccess> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    bool anyProtected = false;
    for (sal_Int32 s = 0; s < sheets->getCount(); ++s)
        anyProtected = anyProtected || uno::Reference<util::XProtectable>(sheets->getByIndex(s), uno::UNO_QUERY_THROW)->isProtected();
    if (!anyProtected) {
        uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY_THROW);
        uno::Reference<container::XNameAccess> cellStyles(
            families->getStyleFamilies()->getByName("CellStyles"), uno::UNO_QUERY_THROW);
        for (const rtl::OUString &name : cellStyles->getElementNames())
            matchOne(uno::Reference<beans::XPropertySet>(cellStyles->getByName(name), uno::UNO_QUERY));
    }

    for (sal_Int32 s = 0; s < sheets->getCount(); ++s) {
        uno::Reference<sheet::XUniqueCellFormatRangesSupplier> supplier(sheets->getByIndex(s), uno::UNO_QUERY);
        if (!supplier.is() || uno::Reference<util::XProtectable>(supplier, uno::UNO_QUERY_THROW)->isProtected())
            continue;
        uno::Reference<container::XIndexAccess> formats = supplier->getUniqueCellFormatRanges();
        for (sal_Int32 f = 0; f < formats->getCount(); ++f)
            matchOne(uno::Reference<beans::XPropertySet>(formats->getByIndex(f), uno::UNO_QUERY));
    }
}

} // namespace ScriptFonts
