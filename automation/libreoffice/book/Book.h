#pragma once

#include "BookContext.h"
#include "BookSaving.h"
#include "BookSideCopies.h"
#include "FormulaBatch.h"
#include "GroupedSource.h"
#include "RowDeletion.h"
#include "SheetArea.h"
#include "SheetRegistry.h"
#include "SheetState.h"
#include "SheetUseRules.h"
#include "ValueCache.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <memory>
#include <optional>

class OfficeSession;

// The open workbook: the document, and the parts that each look after one
// side of it. The nodes the engine calls (Lo*) talk to the workbook here.
class Book : private SheetNeighbours
{
public:
    Book(OfficeSession &session, css::uno::Reference<css::sheet::XSpreadsheetDocument> document, QString sourcePath,
         ReadableSource readable = {});
    ~Book();
    Book(const Book &) = delete;
    Book &operator=(const Book &) = delete;

    // What the parts share (see BookContext).
    OfficeSession &session() { return m_context.session(); }
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document() const { return m_context.document(); }
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &documentOf(const SheetState &state) const
    {
        return m_context.documentOf(state);
    }
    const QString &sourcePath() const { return m_context.sourcePath(); }
    bool unbuffered() const { return m_context.unbuffered(); }

    // What a member is about to do to the sheet, applied before it gets at
    // the office's sheet; returns the sheet whose cells it reads (see
    // SheetUseRules).
    SheetState &beforeUse(SheetState &state, const SheetCall &call) { return m_useRules.before(state, call); }
    void afterUse(SheetState &state, const SheetCall &call) { m_useRules.after(state, call); }

    // Sheets.
    std::shared_ptr<SheetState> sheetAt(int index) { return m_sheets.sheetAt(index); }
    int sheetCount() { return m_sheets.sheetCount(); }
    int indexOf(const SheetState &state) { return m_sheets.indexOf(state); }
    QStringList sheetNames() { return m_sheets.sheetNames(); }
    int tabOf(const SheetState &state) { return m_sheets.tabOf(state); }
    QString nameOf(const SheetState &state) { return m_sheets.nameOf(state); }
    bool renameSheet(SheetState &state, const QString &name) { return m_sheets.renameSheet(state, name); }
    // Excel's Worksheet.Delete, before any copy is made.
    bool removeSheet(SheetState &state) { return m_sheets.removeSheet(state); }
    bool moveSheet(SheetState &sheet, SheetState &before) { return m_sheets.moveSheet(sheet, before); }
    // Excel's Copy with a sheet to go before. A copy is made right after its
    // source in the office; both orders are aligned on saving.
    std::shared_ptr<SheetState> copySheet(SheetState &source, SheetState &before);
    // The sheet `copy` was copied from, when neither has changed since and
    // both hold the same cells; null for any other sheet.
    SheetState *unchangedSourceOf(SheetState &copy) { return ::unchangedSourceOf(copy); }
    // A new sheet in first place, named `name`.
    std::shared_ptr<SheetState> addSheetFirst(const QString &name);

    // Cells: reads take the sheet beforeUse gave.
    QVariant valueAt(SheetState &cells, int row, int column) { return m_values.valueAt(cells, row, column); }
    static SheetArea readUsedArea(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet)
    {
        return ValueCache::readUsedArea(sheet);
    }
    SheetArea currentRegion(SheetState &cells, int row, int column) { return m_values.currentRegion(cells, row, column); }
    QVector<QVariant> columnValues(SheetState &cells, int column, int top, int bottom)
    {
        return m_values.columnValues(cells, column, top, bottom);
    }
    QString excelFormulaAt(SheetState &cells, int row, int column) { return m_values.excelFormulaAt(cells, row, column); }
    // The column's values when none of its cells holds a formula; the
    // sheet's formulas, R1C1, by rows.
    std::optional<QVector<QVariant>> formulaFreeColumn(SheetState &cells, int column, int top, int bottom)
    {
        return m_values.formulaFreeColumn(cells, column, top, bottom);
    }
    std::optional<QVector<QStringList>> r1c1FormulasOf(SheetState &cells, const SheetArea &area)
    {
        return m_values.r1c1FormulasOf(cells, area);
    }
    void invalidateValues() { m_values.invalidateValues(); }
    // Excel's EntireRow.Delete of the areas, a stand-in's included.
    bool deleteRows(SheetState &state, const QList<SheetArea> &rows);
    // Cell properties of the areas (one range, or a range container).
    css::uno::Reference<css::beans::XPropertySet> propertiesOf(SheetState &state, const QList<SheetArea> &areas)
    {
        return m_sheets.propertiesOf(state, areas);
    }

    // Formulas and protection.
    void flushFormulas() { m_formulas.flushFormulas(); }
    void flushFormulasOf(SheetState &state) { m_formulas.flushFormulasOf(state); }
    bool protectSheet(SheetState &state, const QString &password) { return m_formulas.protectSheet(state, password); }
    std::optional<bool> sheetProtected(SheetState &cells) { return m_formulas.sheetProtected(cells); }

    // Saving, and what it applies.
    std::optional<bool> structureProtected() { return m_saving.structureProtected(); }
    bool unlockStructure(const QString &password) { return m_saving.unlockStructure(password); }
    void requestStructureLock(const QString &password) { m_saving.requestStructureLock(password); }
    void requestOpenPassword(const QString &password) { m_saving.requestOpenPassword(password); }
    void setActiveSheet(const std::shared_ptr<SheetState> &sheet) { m_saving.setActiveSheet(sheet); }
    void addEditRange(const std::shared_ptr<SheetState> &sheet, const QList<SheetArea> &areas)
    {
        m_saving.addEditRange(sheet, areas);
    }
    bool saveAs(const QString &path, int fileFormat) { return m_saving.saveAs(path, fileFormat); }
    bool sourceDamaged() const { return m_saving.sourceDamaged(); }
    void close();

private:
    // What the sheet registry asks of the grouped source and the copies made aside.
    QStringList hiddenSheetNames() override { return m_grouped.partNames(); }
    bool isHiddenSheet(const SheetState &state) override { return m_grouped.isGroupedPart(state); }
    int hiddenSheetsBefore(int tab) override { return m_grouped.groupedPartsBefore(tab); }
    bool anySheetAside() override { return m_sideCopies.any(); }
    bool bringSheetsIn() override;
    void sheetsChanged() override { m_values.invalidateValues(); }

    BookContext m_context;

    // The parts are made in this order, each given the shared context and
    // the siblings it uses, all made before it. The sheet registry, which the
    // others use, reaches later ones through the workbook (SheetNeighbours).
    SheetRegistry m_sheets;
    ValueCache m_values;
    FormulaBatch m_formulas;
    RowDeletion m_rows;
    GroupedSource m_grouped;
    BookSideCopies m_sideCopies;
    BookSaving m_saving;
    SheetUseRules m_useRules;
};
