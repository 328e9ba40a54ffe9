#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The frozen panes of an .xls workbook stream (BIFF8). The office keeps what
// it read of each sheet's view by the sheet's position, not with the sheet:
// after the index sheet goes in first, the summary's frozen header shows on
// the index instead. Each sheet's view records (the frozen flags of WINDOW2,
// PANE, SELECTION) are put right after the office has saved.
namespace BiffSheetViews {

// A sheet's frozen pane as a workbook stream holds it.
struct View {
    bool frozen = false;
    QByteArray pane;               // the PANE record's body; empty without a pane
    QList<QByteArray> selections;  // SELECTION records' bodies
};

// Where a sheet of the result takes its view from: the source's sheet of
// `sourceSheetName` (as it is, or as a copy that starts at the split), or,
// with an empty source name, no pane at all.
struct Assignment {
    QString sheetName;
    QString sourceSheetName;
    bool isCopy = false;
};

// Each worksheet's view by the sheet's name; false when the stream is not a
// BIFF8 workbook laid out as the records say, or is encrypted.
bool readViews(const QByteArray &stream, QList<QPair<QString, View>> *views, QString *error);

// `stream` with every assigned worksheet's view records replaced, and the
// stream offsets the records hold (sheet positions, row block indexes) moved
// with them. False, `out` untouched, when the stream cannot be edited safely.
bool applyViews(const QByteArray &stream, const QList<QPair<QString, View>> &sourceViews,
                const QList<Assignment> &assignments, QByteArray *out, QString *error);

} // namespace BiffSheetViews
