#include "QuietDocument.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

using namespace css;

void keepQuiet(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    uno::Reference<document::XUndoManagerSupplier> undo(document, uno::UNO_QUERY);
    if (undo.is())
        undo->getUndoManager()->lock();
    uno::Reference<frame::XModel> model(document, uno::UNO_QUERY);
    if (model.is())
        model->lockControllers();
    uno::Reference<beans::XPropertySet> settings(document, uno::UNO_QUERY);
    if (settings.is()) {
        settings->setPropertyValue("IsUndoEnabled", uno::Any(false));
        settings->setPropertyValue("IsAdjustHeightEnabled", uno::Any(false));
    }
}

uno::Reference<sheet::XSpreadsheetDocument> newBlankWorkbook(const uno::Reference<uno::XComponentContext> &context)
{
    uno::Reference<sheet::XSpreadsheetDocument> document(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.sheet.SpreadsheetDocument", context),
        uno::UNO_QUERY_THROW);
    uno::Reference<frame::XLoadable>(document, uno::UNO_QUERY_THROW)->initNew();
    return document;
}
