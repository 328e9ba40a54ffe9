#pragma once

#include <QByteArray>
#include <QString>

// What the first bytes of a source file say about it, read before any office
// is started. Only what no office opens as a workbook is told apart.
enum class SourceContent {
    MayBeWorkbook, // left to the office to open
    Empty,         // nothing in it at all
    NotWorkbook,   // an .xlsx or .xlsm that is neither a zip package nor a compound file
};

// How many of a file's first bytes sourceContent() needs.
int sourceContentLength();

// The verdict on a file named `fileName` (its ending counts, in any case)
// that starts with `start`. An .xls is refused only when empty: the
// applications open HTML, XML, text and older formats under that name too.
SourceContent sourceContent(const QByteArray &start, const QString &fileName);
