#pragma once

#include "SheetArea.h"
#include "SheetState.h"

#include "KnownLookups.h"
#include "SheetFilters.h"
#include "SourceCarryOver.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class BookContext;
class SheetRegistry;
class ValueCache;
class FormulaBatch;
class GroupedSource;
class BookSideCopies;

// Saving the workbook: the things the office cannot write by itself, noted
// until then (structure lock, open password, editable ranges, the sheet
// shown), the atomic write beside the target, and their finishing.
class BookSaving
{
public:
    BookSaving(BookContext &context, SheetRegistry &sheets, ValueCache &values, FormulaBatch &formulas,
               GroupedSource &grouped, BookSideCopies &sideCopies)
        : m_context(context)
        , m_sheets(sheets)
        , m_values(values)
        , m_formulas(formulas)
        , m_grouped(grouped)
        , m_sideCopies(sideCopies)
    {
    }

    void requestStructureLock(const QString &password);
    void requestOpenPassword(const QString &password);
    void setActiveSheet(const std::shared_ptr<SheetState> &sheet) { m_activeSheet = sheet; }
    void addEditRange(const std::shared_ptr<SheetState> &sheet, const QList<SheetArea> &areas);
    // Excel's Workbook.ProtectStructure; none when the office cannot be asked.
    std::optional<bool> structureProtected();
    // Excel's Workbook.Unprotect: false, and the structure stays locked,
    // when the password does not open it.
    bool unlockStructure(const QString &password);

    bool saveAs(const QString &path, int fileFormat);
    // Whether the last save failed on the source file itself: an .xls whose
    // structure could not be read to finish the result.
    bool sourceDamaged() const { return m_sourceDamaged; }
    // The rows only the sheets' filters hide, shown while the job runs and
    // hidden again before saving.
    void setFiltersAside(const QList<SheetFilters::SetAside> &filters) { m_filtersAside = filters; }
    // Once a sheet's rows are deleted, the rows set aside no longer stand
    // where they were noted: the sheet keeps them shown.
    void forgetFiltersAsideOf(const QString &sheetName);

private:
    // The .xls file at `path` stored anew by the office: its structure locked
    // when asked, under the open password when there is one.
    bool storeXlsAgain(const QString &path, const char *filter, bool lockStructure);
    bool writePackage(const QString &tempPath, const QList<ooxml::SheetFormulaResults> &results);
    // Where each sheet of the workbook came from, for the package finishing.
    QList<ooxml::SheetOrigin> sheetOrigins();
    // What the copies and their sources get in the office before it stores
    // the workbook: tables of their own, filter buttons, the rows the
    // sources' filters hide hidden again. Throws what the office throws.
    void finishSheets();

    BookContext &m_context;
    SheetRegistry &m_sheets;
    ValueCache &m_values;
    FormulaBatch &m_formulas;
    GroupedSource &m_grouped;
    BookSideCopies &m_sideCopies;
    KnownLookups m_lookups{m_context, m_sheets, m_values, m_formulas};
    // Read from the source file once, when first asked (see structureProtected).
    std::optional<bool> m_sourceLocksStructure;
    bool m_sourceDamaged = false;
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
    QList<SheetFilters::SetAside> m_filtersAside;
};
