#pragma once

#include <QByteArray>
#include <QString>

// A font the source leaves unnamed (or a workbook without a styles part at
// all) is written by the office under its own default font, which the reader's
// application may not have. Such fonts get the source's default font back: its
// first font, or Excel's built-in Calibri 11 when it has no styles part.
namespace ooxml {

// `resultStyles` with every font the source does not name (other than the
// office's own Arial cell styles) named as the source's default.
// `sourceStyles` is empty for a source without a styles part.
bool restoreDefaultFont(const QByteArray &sourceStyles, const QByteArray &resultStyles, QByteArray *out,
                        QString *error);

} // namespace ooxml
