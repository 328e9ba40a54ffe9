#pragma once

#include "SourceCarryOver.h"

#include "MemberCatalogue.h"
#include "RowGrouping.h"
#include "SheetArea.h"
#include "SheetOrder.h"
#include "SideDocuments.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class OfficeSession;

// What the backend knows about one sheet beyond the office's own state:
// a bulk copy of its values, the filter it emulates, and formula writes that
// wait to be sent together.
struct SheetState
{
    css::uno::Reference<css::sheet::XSpreadsheet> sheet;
    css::uno::Reference<css::uno::XInterface> identity;

    // Values of the used area, read in blocks of rows with one call each;
    // dropped on every write.
    bool valuesValid = false;
    bool empty = true;
    SheetArea valueArea;
    QHash<int, QVector<QVariant>> valueBlocks; // block index -> row-major values

    // Counts the changes to the sheet's cells, rows and formats.
    quint64 version = 0;
    // The last column read that holds no formulas: the same until the
    // sheet's version changes.
    struct ColumnRead
    {
        int column = 0;
        int top = 0;
        int bottom = 0;
        quint64 version = 0;
        QVector<QVariant> values;
    };
    std::optional<ColumnRead> lastColumnRead;
    // The sheet this one is a copy of, and both sheets' versions then.
    std::weak_ptr<SheetState> copiedFrom;
    quint64 sourceVersionAtCopy = 0;
    quint64 versionAtCopy = 0;
    // The hidden document that holds this copy while a split runs (see
    // SideDocuments), or null when it is in the workbook.
    css::uno::Reference<css::sheet::XSpreadsheetDocument> away;
    QString awayName; // its name, while it is away
    // Set while this copy is an empty stand-in in the office, its cells
    // still those of its unchanged source (see GroupedSource.cpp).
    bool deferred = false;

    // The emulated AutoFilter: data rows hidden by "<>value".
    bool filterActive = false;
    int filterColumn = 0;
    int filterFirstRow = 0;
    int filterLastRow = 0;
    QVector<bool> hiddenRows;          // index row - filterFirstRow

    // Formulas written with SetFormula / SetFormulaR1C1, by (row, column).
    QMap<QPair<int, int>, QString> pendingR1C1;
    // A Protect that waits for those formulas (see Book::protectSheet).
    std::optional<QString> pendingProtection;
    QHash<QPair<int, int>, QString> excelFormulas; // A1 text as written

    bool isRowHidden(int row) const
    {
        return filterActive && row >= filterFirstRow && row <= filterLastRow
            && hiddenRows.value(row - filterFirstRow);
    }
};

// The open workbook: the document and everything waiting to be written into
// the saved file.
class Book
{
public:
    Book(OfficeSession &session, css::uno::Reference<css::sheet::XSpreadsheetDocument> document, QString sourcePath);
    ~Book();

    OfficeSession &session() { return m_session; }
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document() const { return m_document; }
    // The document that holds the sheet now: the workbook, or a side document.
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &documentOf(const SheetState &state) const
    {
        return state.away.is() ? state.away : m_document;
    }
    const QString &sourcePath() const { return m_sourcePath; }
    bool closed() const { return m_closed; }

    // The state of a sheet, shared by every handle that reaches it.
    std::shared_ptr<SheetState> stateOf(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);
    // Sheets in the caller's order, which may differ from the office's until
    // the file is saved (see SheetOrder).
    std::shared_ptr<SheetState> sheetAt(int index); // 0-based; null when out of range
    int sheetCount();
    int indexOf(const SheetState &state); // 0-based, in the caller's order; -1 when unknown
    QStringList sheetNames(); // in the office's order, one call
    int tabOf(const SheetState &state); // the office's own index, for cell addresses
    QString nameOf(const SheetState &state);
    bool renameSheet(SheetState &state, const QString &name);

    // Excel's Copy and Move with a sheet to go before. A copy is made right
    // after its source in the office; both orders are aligned on saving.
    std::shared_ptr<SheetState> copySheet(SheetState &source, SheetState &before);
    bool moveSheet(SheetState &sheet, SheetState &before);
    // A new sheet in first place, named `name`.
    std::shared_ptr<SheetState> addSheetFirst(const QString &name);

    // Bulk value access.
    QVariant valueAt(SheetState &state, int row, int column);
    SheetArea usedArea(SheetState &state);
    // The sheet's used area as the office tells it, uncached; throws as UNO does.
    static SheetArea readUsedArea(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);
    // Excel's current region: the block around the cell bounded by empty rows
    // and columns.
    SheetArea currentRegion(SheetState &state, int row, int column);
    // One column's values, from `top` to `bottom`.
    QVector<QVariant> columnValues(SheetState &state, int column, int top, int bottom);
    void invalidateValues();
    void calculateIfNeeded();

    // The formula of a cell as Excel writes it (A1), its constant as text, or
    // a null string when it cannot be read.
    QString excelFormulaAt(SheetState &state, int row, int column);

    // What a call is about to do to the sheet (see SheetUse).
    void beforeUse(SheetState &state, SheetUse use);
    // The sheet whose cells a read of `state` sees.
    SheetState &contentOf(SheetState &state);

    bool deleteRows(SheetState &state, const QList<SheetArea> &rows);

    // Cell properties of the areas (one range, or a range container).
    css::uno::Reference<css::beans::XPropertySet> propertiesOf(SheetState &state, const QList<SheetArea> &areas);

    bool unbuffered() const { return m_unbuffered; }

    // Sends every waiting formula to the office; called before anything that
    // could see the cells.
    void flushFormulas();
    // Sends one sheet's waiting formulas, and then its waiting protection;
    // called before a write to that sheet.
    void flushFormulasOf(SheetState &state);
    // Excel's Worksheet.Protect.
    bool protectSheet(SheetState &state, const QString &password);
    // Before a cell's protection flags change: a waiting Protect comes first.
    void flushProtectionOf(SheetState &state);
    // Excel's Worksheet.ProtectContents and Workbook.ProtectStructure; none
    // when the office cannot be asked.
    std::optional<bool> sheetProtected(SheetState &state);
    std::optional<bool> structureProtected();

    // Things the office cannot write by itself, applied at save time.
    void requestStructureLock(const QString &password);
    void requestOpenPassword(const QString &password);
    void setActiveSheet(const std::shared_ptr<SheetState> &sheet) { m_activeSheet = sheet; }
    void addEditRange(const std::shared_ptr<SheetState> &sheet, const QList<SheetArea> &areas);

    bool saveAs(const QString &path, int fileFormat);
    void close();

private:
    bool knowOrder();
    // The office's index right after the last of the workbook's own sheets
    // (grouped parts counted); -1 when the office cannot say.
    int tabAfterSourceSheets();
    bool deleteRowBlocks(SheetState &state, const QList<SheetArea> &rows);
    bool sortAwayRows(SheetState &state, const QList<SheetArea> &rows);
    bool sortBlockRows(SheetState &state, int top, int bottom, const QVector<QVector<double>> &keys);
    void refillBottomRows(SheetState &state, const QList<SheetArea> &deleted);

    // The grouped source and the copies made from it (GroupedSource.cpp).
    bool isUnchangedCopy(const SheetState &copy, const SheetState &source) const;
    void groupSourceOf(SheetState &copy, const QList<SheetArea> &rows);
    bool hasGroupedSourceFor(const SheetState &source) const;
    bool isGroupedPart(const SheetState &state) const;
    int groupedPartsBefore(int tab);
    void dropGroupedSource();
    std::shared_ptr<SheetState> deferredCopy(SheetState &source, const QString &name, int tab, int index);
    void materialize(SheetState &copy);
    void materializeCopiesOf(const SheetState &source);
    void materializeAll();
    std::optional<bool> materializeForDelete(SheetState &copy, const QList<SheetArea> &rows);
    int groupedPartFor(const RowGrouping::KeptRows &kept);
    bool splitGroupedPart(int index, int at);
    void replaceSheet(SheetState &state, const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);

    // Copies made in side documents while a split runs (BookSideCopies.cpp).
    void considerSideCopies(SheetState &copy);
    void sendAside(SheetState &copy, SheetState &source);
    std::shared_ptr<SheetState> sideCopy(SheetState &source, const QString &name, int index);
    bool bringInSideCopies();

    std::shared_ptr<SheetState> insertSheet(
        const QString &name, int tab, int index,
        const std::function<void(const css::uno::Reference<css::sheet::XSpreadsheets> &)> &make);
    bool alignSheetOrder();
    // The .xls file at `path` stored anew by the office: its structure locked
    // when asked, under the open password when there is one.
    bool storeXlsAgain(const QString &path, const char *filter, bool lockStructure);
    // Where each sheet of the workbook came from, for the package finishing.
    QList<ooxml::SheetOrigin> sheetOrigins();
    void loadUsedArea(SheetState &state);
    const QVector<QVariant> *valueBlock(SheetState &state, int block);
    void flushSheet(SheetState &state);
    void writeCellByCell(SheetState &state, const SheetArea &area, const QString &formula);
    void writeByFill(SheetState &state, const SheetArea &area, const QString &formula);
    struct KeptFormats
    {
        css::uno::Sequence<rtl::OUString> names;
        std::vector<std::pair<css::uno::Reference<css::beans::XMultiPropertySet>, css::uno::Sequence<css::uno::Any>>> groups;
    };
    KeptFormats keepFormats(const css::uno::Reference<css::table::XCellRange> &block, const SheetArea &area);
    void restoreFormats(const KeptFormats &kept);
    css::uno::Sequence<rtl::OUString> formatPropertyNames(const css::uno::Reference<css::table::XCellRange> &block);
    bool writePackage(const QString &tempPath, int fileFormat);

    OfficeSession &m_session;
    css::uno::Reference<css::sheet::XSpreadsheetDocument> m_document;
    QString m_sourcePath;
    QStringList m_sourceSheetNames; // as loaded
    QHash<const void *, std::shared_ptr<SheetState>> m_states;
    SheetOrder m_order;
    // A copy of one sheet with the rows of a block grouped by one column,
    // cut into parts of a few keys' groups each: sheets kept first in the
    // office's order and never shown to the caller.
    struct GroupedPart
    {
        std::shared_ptr<SheetState> sheet;
        QString name;
        int from = 0; // the grouped positions the part's block holds
        int to = 0;
    };
    struct GroupedSource
    {
        std::weak_ptr<SheetState> source;
        quint64 sourceVersion = 0;
        int column = 0;
        std::shared_ptr<const RowGrouping> grouping;
        QList<GroupedPart> parts; // in grouped order
        int partsMade = 0;
    };
    std::optional<GroupedSource> m_grouped;
    // The sheet whose copies are made in side documents, as it was then.
    std::weak_ptr<SheetState> m_sideSource;
    quint64 m_sideSourceVersion = 0;
    std::optional<bool> m_takesSheets; // see SideDocuments::workbookTakesSheets
    std::unique_ptr<SideDocuments> m_side;
    bool m_closed = false;

    // Read from the source file once, when first asked (see structureProtected).
    std::optional<bool> m_sourceLocksStructure;
    bool m_lockStructure = false;
    QString m_structurePassword;
    bool m_encrypt = false;
    QString m_openPassword;
    struct EditRange
    {
        std::shared_ptr<SheetState> sheet;
        QList<SheetArea> areas;
    };
    QList<EditRange> m_editRanges;
    std::shared_ptr<SheetState> m_activeSheet;
    css::uno::Sequence<rtl::OUString> m_formatNames;
    bool m_needsCalculation = true;
    // Automatic calculation stays on until the first change: a formula saved
    // without its result (by a script, say) is computed when it is read, and
    // one with a stored result keeps it (an external link's, too). With it
    // off, only a full calculation would reach the first kind, and it would
    // lose the second.
    bool m_automaticCalculation = true;
    // SHEETSPLICER_UNBUFFERED=1: every read and formula write goes to the
    // office at once, cell by cell (to compare against the bulk paths).
    bool m_unbuffered = false;
    // SHEETSPLICER_SIDE_DOCUMENTS=0: every copy is made in the workbook itself;
    // =always: copies go aside from the first one on, however few sheets the
    // workbook holds and whatever its format (both to compare the two ways).
    // The sheets the workbook holds before copies go aside; -1: never.
    int m_sideFromSheets = SideDocuments::kWorkbookSheets;
};
