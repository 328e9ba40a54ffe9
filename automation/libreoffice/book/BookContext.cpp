#include "BookContext.h"

BookContext::BookContext(OfficeSession &session, css::uno::Reference<css::sheet::XSpreadsheetDocument> document,
                         QString sourcePath, ReadableSource readable)
    : m_session(session)
    , m_document(std::move(document))
    , m_sourcePath(std::move(sourcePath))
    , m_readable(std::move(readable))
    , m_unbuffered(qEnvironmentVariableIntValue("SHEETSPLICER_UNBUFFERED") != 0)
    , m_lookupResultsKnown(!m_unbuffered && qEnvironmentVariableIntValue("SHEETSPLICER_AUTOCALC") == 0
                           && !(qEnvironmentVariableIsSet("SHEETSPLICER_KNOWN_RESULTS")
                                && qEnvironmentVariableIntValue("SHEETSPLICER_KNOWN_RESULTS") == 0))
{
}
