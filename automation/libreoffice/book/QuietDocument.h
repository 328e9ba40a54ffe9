#pragma once

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

// A workbook the program works on out of sight: no undo copies, no views
// kept up to date, no row heights fitted after each change. Throws as UNO does.
void keepQuiet(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document);

// A new, empty workbook model with no frame and no view. Throws as UNO does.
css::uno::Reference<css::sheet::XSpreadsheetDocument> newBlankWorkbook(
    const css::uno::Reference<css::uno::XComponentContext> &context);
