#pragma once

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

// An Excel font has one name for all text. The office keeps three (Western,
// East Asian, complex) and, on loading, sets the East Asian one only when the
// named font is installed here; otherwise Chinese text falls back to the
// machine's own CJK font and is saved under that name. Giving every cell
// style and every cell format the Western name for all three scripts saves
// each cell with the font the source named.
namespace ScriptFonts {

// Throws what the office throws.
void matchToWestern(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document);

} // namespace ScriptFonts
