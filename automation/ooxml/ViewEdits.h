#pragma once

#include <QByteArray>
#include <QString>

// Which sheet a workbook opens on: the workbook's view names it by position,
// and each sheet's own view says whether its tab is selected.
namespace ooxml {

// The workbook part with every workbookView's activeTab set to `index` (0-based).
bool setActiveTab(const QByteArray &workbookXml, int index, QByteArray *out, QString *error);

// The sheet part with every sheetView's tabSelected set to `selected`.
bool setTabSelected(const QByteArray &sheetXml, bool selected, QByteArray *out, QString *error);

// The pane of a worksheet's first view with the selections that go with it,
// as text to put into another worksheet's view.
struct SheetPane {
    QByteArray pane;       // the <pane> element, in the default namespace
    QByteArray selections; // its <selection> elements
    QByteArray splitPane;  // the pane starting right below and right of a frozen split
    QByteArray splitSelection;
};

// The pane of the first view of a worksheet part; false when it has none.
bool readPane(const QByteArray &sheetXml, SheetPane *pane);

// The sheet part with `pane` in its first view, in place of its own pane and
// selections: a frozen header stays frozen after the office's round trip.
// With `fromTheSplit` (a sheet whose rows are not the source's) the view
// starts right below and right of a frozen split, with its first cell
// selected. A part without a view is left as it is.
QByteArray withPane(const QByteArray &sheetXml, const SheetPane &pane, bool fromTheSplit);

// The start tag `tag` with attribute `name` set to `value`, replacing it where it stands
// or adding it at the end.
QByteArray withAttribute(const QByteArray &tag, const QByteArray &name, const QByteArray &value);

} // namespace ooxml
