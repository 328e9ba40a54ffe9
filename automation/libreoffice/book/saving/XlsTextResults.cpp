#include "XlsTextResults.h"

#include "FormulaBlocks.h"
#include "SheetUnlock.h"
#include "UnoText.h"

#include <QLoggingCategory>

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

Q_DECLARE_LOGGING_CATEGORY(xlsViewLog)

using namespace css;

int reenterTextFormulas(const uno::Reference<sheet::XSpreadsheetDocument> &document, const QStringList &passwords)
{
    int entered = 0;
    uno::Reference<container::XIndexAccess> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    for (sal_Int32 s = 0; s < sheets->getCount(); ++s) {
        uno::Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(s), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XCellRangesQuery> query(sheet, uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetCellRanges> texts = query->queryFormulaCells(sheet::FormulaResult::STRING);
        const uno::Sequence<table::CellRangeAddress> blocks = texts->getRangeAddresses();
        if (!blocks.hasElements())
            continue;
        const bool edited = editUnlocked(sheet, passwords, [&]() {
            for (const table::CellRangeAddress &block : blocks)
                entered += rewriteFormulaBlock(sheet, block);
        });
        if (!edited)
            qCWarning(xlsViewLog) << "sheet" << qs(uno::Reference<container::XNamed>(sheet, uno::UNO_QUERY_THROW)->getName())
                                  << "is protected with a password of its own: its text results are stored as the office has them";
    }
    return entered;
}
