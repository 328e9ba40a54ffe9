#pragma once

#include <QByteArray>
#include <QString>

// Excel's built-in number formats 14 (short date) and 22 (short date and time)
// follow the reader's locale: 2024/3/1 in a Chinese Excel, 3/1/2024 in an
// American one. The office writes them as fixed codes in its own locale; where
// the source used them, the result uses them again.
namespace ooxml {

// `resultStyles` (a styles part) with the cell formats that carry the office's
// code for a built-in date format the source's styles use pointed back at that
// built-in format. A code the source also defines as a format of its own stays.
bool restoreBuiltinDateFormats(const QByteArray &sourceStyles, const QByteArray &resultStyles, QByteArray *out,
                               QString *error);

} // namespace ooxml
