#pragma once

#include "FormulaBatch.h"
#include "FormulaResults.h"
#include "SheetState.h"

#include <QList>

#include <optional>

class BookContext;
class SheetRegistry;
class ValueCache;

// The category sheets' lookups are stored without the office calculating
// them, each searching the summary row by row (most of a large split's
// saving), and their results, which the job works out from the same cells
// (see LookupResults), are written into the stored package. Only where
// nothing else in the workbook could see a difference: otherwise the office
// calculates as ever.
class KnownLookups
{
public:
    KnownLookups(BookContext &context, SheetRegistry &sheets, ValueCache &values, FormulaBatch &formulas)
        : m_context(context)
        , m_sheets(sheets)
        , m_values(values)
        , m_formulas(formulas)
    {
    }

    // Before storing: with the lookups held back (FormulaBatch::
    // flushFormulasHoldingLookups), or else taken out, everything else is
    // calculated, their results are worked out and they are sent,
    // uncalculated. None when the office is to calculate them (the workbook
    // then holds them as the job wrote them). Throws when a block could not
    // be sent.
    std::optional<QList<ooxml::SheetFormulaResults>> storeUncalculated();

private:
    using Sent = FormulaBatch::SentLookup;
    std::optional<QList<ooxml::SheetFormulaResults>> storeHeld();
    bool workbookAllows();
    bool stillAsSent(const QList<Sent> &sent);
    std::optional<QList<ooxml::SheetFormulaResults>> workOut(const QList<Sent> &sent);
    // Also tells whether the workbook holds any formula besides them.
    bool nothingElseReads(const QList<Sent> &sent, bool *otherFormulas);

    BookContext &m_context;
    SheetRegistry &m_sheets;
    ValueCache &m_values;
    FormulaBatch &m_formulas;
};
