#pragma once

#include <QString>

namespace ooxml {

// Range texts as a user types them, checked and brought into the form a sheet's
// sqref attribute takes: areas separated by single spaces, corners upper-case,
// without "$", top-left corner first.
//
//   "A2:B9,D2:E9"  -> "A2:B9 D2:E9"
//   "$b$3:$f$20"   -> "B3:F20"
//   "F20:B3"       -> "B3:F20"
//   "C5" / "C5:C5" -> "C5"
//   "B:D"          -> "B1:D1048576"    (whole columns)
//   "3:5"          -> "A3:XFD5"        (whole rows)
//
// Areas may be separated by commas, semicolons or blanks. A sheet-qualified
// reference, a column past XFD, a row past 1048576 or row 0 is refused:
// the result is then empty and `error` says why.
QString normalizeSqref(const QString &text, QString *error = nullptr);

} // namespace ooxml
