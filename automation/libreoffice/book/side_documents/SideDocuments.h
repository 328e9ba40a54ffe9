#pragma once

#include <QList>
#include <QString>

#include <functional>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

class OfficeSession;

// Small hidden documents that hold copies of one sheet while a split runs.
//
// Every row delete, sheet insertion and copy in the office visits every
// column of every sheet of the document it happens in, so in a workbook that
// gains a sheet per category each of those costs more than the one before:
// with a few hundred categories the split grows with their square. Here each
// copy is made, and its rows are deleted, in a document that holds the sheet
// copied and at most kSheetsPerDocument copies; the copies go into the
// workbook together at the end, each where it belongs, at the end of the
// workbook or close to it.
//
// A sheet moved between documents keeps its cells, formats, sizes and names,
// but references to other sheets would point into the other document. Only a
// sheet that holds none (no formulas, shapes, charts, conditional formats,
// validations, pivot tables, tables, filters or links) is copied this way.
class SideDocuments
{
public:
    explicit SideDocuments(OfficeSession &session);
    ~SideDocuments();
    SideDocuments(const SideDocuments &) = delete;
    SideDocuments &operator=(const SideDocuments &) = delete;

    // Whether the workbook at `path`, as the office loads it, can take a
    // sheet from another document: the office has been seen to die at that
    // with some .xls files, whatever the sheet. Tried in an office of its own,
    // for .xls files only.
    static bool workbookTakesSheets(const QString &path);

    // Whether the sheet `sheet` of `document` can be copied into another
    // document and back unchanged.
    static bool canCarry(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                         const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);
    // Whether nothing on the sheet follows its cells but formulas: no shapes,
    // charts, pivot tables, links, protection, conditional formats,
    // validations or database ranges. Throws as UNO does.
    static bool holdsOnlyCells(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                               const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);

    // A copy named `name` of the sheet `sourceName` of `from`, made in a side
    // document; null when the office refused. `sourceVersion` tells whether a
    // side document's copy of the source is still the source.
    css::uno::Reference<css::sheet::XSpreadsheet> copy(
        const css::uno::Reference<css::sheet::XSpreadsheetDocument> &from, const QString &sourceName,
        quint64 sourceVersion, const QString &name);

    // The sheet `name` of `from`, moved into the side document that takes
    // the next copy of `sourceName`; null when the office refused, and the
    // sheet is then where it was.
    css::uno::Reference<css::sheet::XSpreadsheet> take(
        const css::uno::Reference<css::sheet::XSpreadsheetDocument> &from, const QString &sourceName,
        quint64 sourceVersion, const QString &name);

    // The sheet `name` of the side document `side`, put into `into` at `tab`
    // with the page style its source has there; null when the office refused.
    // Throws as UNO does.
    css::uno::Reference<css::sheet::XSpreadsheet> bringInto(
        const css::uno::Reference<css::sheet::XSpreadsheetDocument> &into, int tab,
        const css::uno::Reference<css::sheet::XSpreadsheetDocument> &side, const QString &name);
    // Removes what bringing sheets in left in `into`.
    void finish(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &into);

    // The side document that holds the last copy made.
    css::uno::Reference<css::sheet::XSpreadsheetDocument> lastDocument() const;

    bool isEmpty() const { return m_documents.isEmpty(); }
    void closeAll();

    static constexpr int kSheetsPerDocument = 24;
    // Copies are made aside once an .xls workbook holds this many sheets:
    // with fewer, making them in the workbook costs less than checking the
    // workbook in an office of its own (about 2 s) and bringing them in.
    static constexpr int kWorkbookSheets = 100;
    // From the first copy on when the categories still to come will take it
    // to this many sheets.
    static constexpr int kWorkbookSheetsAtOnce = 200;

private:
    struct Side
    {
        css::uno::Reference<css::sheet::XSpreadsheetDocument> document;
        QString sourceName;
        QString pageStyle; // the source's
        quint64 sourceVersion = 0;
        int copies = 0;
    };
    Side *sideFor(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &from, const QString &sourceName,
                  quint64 sourceVersion);
    bool open(Side &side, const css::uno::Reference<css::sheet::XSpreadsheetDocument> &from,
              const QString &sourceName);
    // What `make` makes in the side document that takes the next copy of
    // `sourceName`; null when there is none or the office refused.
    css::uno::Reference<css::sheet::XSpreadsheet> inSideDocument(
        const css::uno::Reference<css::sheet::XSpreadsheetDocument> &from, const QString &sourceName,
        quint64 sourceVersion, const std::function<css::uno::Reference<css::sheet::XSpreadsheet>(Side &)> &make);

    OfficeSession &m_session;
    QList<Side> m_documents;
};
