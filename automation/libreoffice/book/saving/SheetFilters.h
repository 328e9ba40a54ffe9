#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

// The filter buttons of the user's sheets (a sheet's AutoFilter), and what a
// summary saved while filtered hides.
namespace SheetFilters {

// The rows of one sheet that only its filter hides, shown while the job runs.
struct SetAside
{
    QString sheetName;
    QList<QPair<int, int>> rows; // runs of 0-based rows, first and last
};

// Every sheet saved while filtered shows the rows its filter hides, so that
// its copies do not start with other categories' records hidden (a category
// sheet whose records the filter hid would look empty). A hidden row counts
// as hidden by the filter when its cell in a filtered column holds none of
// the values the filter shows; rows hidden by hand stay hidden. The filter
// and its criteria stay as they are.
QList<SetAside> showFilteredRows(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document);

// The rows shown by showFilteredRows hidden again. Protected sheets are
// opened with `passwords` (see editUnlocked).
void hideAgain(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
               const QList<SetAside> &filters, const QStringList &passwords);

// A copy of a sheet with filter buttons gets the same buttons over its own
// rows, without criteria. `copies` pairs each copy's name with its source's.
void giveCopiesFilterButtons(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                             const QList<QPair<QString, QString>> &copies, const QStringList &passwords);

} // namespace SheetFilters
