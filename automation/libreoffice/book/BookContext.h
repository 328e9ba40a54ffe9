#pragma once

#include "SheetState.h"

#include <QString>

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <memory>

class OfficeSession;
class QTemporaryDir;

// An encrypted source decrypted aside, for the work done on the file itself
// (its structure lock, what its result carries over, side documents).
struct ReadableSource
{
    QString path;
    std::shared_ptr<QTemporaryDir> folder;
};

// What every part of an open workbook shares: the office session, the
// document, the file it came from, and the workbook's own flags. The parts
// are given it, and the siblings they use, when the workbook makes them.
class BookContext
{
public:
    BookContext(OfficeSession &session, css::uno::Reference<css::sheet::XSpreadsheetDocument> document,
                QString sourcePath, ReadableSource readable);

    OfficeSession &session() const { return m_session; }
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document() const { return m_document; }
    // The document that holds the sheet now: the workbook, or a side document.
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &documentOf(const SheetState &state) const
    {
        return state.aside.document.is() ? state.aside.document : m_document;
    }
    const QString &sourcePath() const { return m_sourcePath; }
    // An .xls source, saved as one: no editable ranges, formulas the office calculates.
    bool sourceIsXls() const { return m_sourcePath.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive); }
    // The source's file as it can be read: the source, or its decrypted copy.
    const QString &packagePath() const { return m_readable.path.isEmpty() ? m_sourcePath : m_readable.path; }

    bool closed() const { return m_closed; }
    // For the rules that must see the flag as it changes.
    const bool &closedFlag() const { return m_closed; }
    void markClosed() { m_closed = true; }
    // SHEETSPLICER_UNBUFFERED=1: every read and formula write goes to the
    // office at once, cell by cell (to compare against the bulk paths).
    bool unbuffered() const { return m_unbuffered; }
    // Whether the category sheets' lookups may be stored uncalculated with the
    // results the job works out (see KnownLookups): not cell by cell, not with
    // calculation kept on (SHEETSPLICER_AUTOCALC=1), not when turned off
    // (SHEETSPLICER_KNOWN_RESULTS=0).
    bool lookupResultsKnown() const { return m_lookupResultsKnown; }

private:
    OfficeSession &m_session;
    css::uno::Reference<css::sheet::XSpreadsheetDocument> m_document;
    QString m_sourcePath;
    ReadableSource m_readable;
    bool m_closed = false;
    bool m_unbuffered = false;
    bool m_lookupResultsKnown = false;
};
