#pragma once

#include "AutomationNode.h"

#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A fake spreadsheet object model for call-order tests of the engine. It
// records every operation as one line and answers just enough for a job to
// run through: values from a small grid, End(3), used ranges, a filter that
// hides rows, row deletion, sheet copies and moves. It is no spreadsheet.
// Each object finds the members it is given in the member catalogue, as the
// office backend does.
//
// Log lines: "<kind> <object> <member> [<args>]", kind D (dynamicCall),
// Q (querySubObject), P (property) or S (setProperty); the member text is
// exactly as passed, arguments are joined by ", ", objects show as their
// label. Example: "Q sheet:Summary Cells(int, int) [13, 2]".
namespace recording {

using Cell = QPair<int, int>; // row, column

struct Sheet
{
    QString name;
    QMap<Cell, QString> values;
    QMap<Cell, QString> formulas;
    QSet<int> hiddenRows;
    bool isProtected = false;
    bool filterButtons = false; // AutoFilterMode
    QString password;
    QStringList editableRanges; // "title address"
    QStringList hyperlinks;     // "anchor|address|subaddress"
    QStringList lockedRanges;   // addresses with Locked and FormulaHidden set

    // Rows top to bottom, the text of each column from 1 to `columns`.
    QStringList row(int r, int columns) const;
};

struct Operation
{
    QString kind;
    QString object;
    QString member;
    QStringList args;

    QString line() const;
};

struct Model
{
    // What the fake application does.
    bool workbooksAvailable = true;
    bool openSucceeds = true;
    bool saveSucceeds = true;
    bool sourceDamaged = false; // what SourceDamaged answers
    QByteArray disconnectAtMember; // the application goes away at this call...
    int disconnectAtOccurrence = 1; // ...the n-th time it is made
    QByteArray hookAtMember;        // runs `hook` once, as this call is made...
    int hookAtOccurrence = 1;       // ...the n-th time
    std::function<void()> hook;     // (a cancel from the window, say)
    int hookOccurrences = 0;

    // What happened.
    QList<std::shared_ptr<Sheet>> sheets;
    QList<Operation> operations;
    bool disconnected = false;
    bool aborted = false; // ended from outside, as a cancel does
    QString openedPath;
    QString savedPath;
    int savedFormat = 0;
    bool closed = false;
    QString structurePassword;
    bool structureLocked = false;
    QString openPassword;
    // The workbook's custom document properties, name and text, in order.
    QList<QPair<QString, QString>> customProperties;

    std::shared_ptr<Sheet> sheet(const QString &name) const;
    QStringList sheetNames() const;
    // Every operation as a log line, in order.
    QStringList log() const;
    // The log lines whose member text (or property name) is `member`.
    QStringList linesOf(const QString &member) const;
    // Kind and member text of every operation, "Q Cells(int, int)", without
    // duplicates.
    QSet<QString> memberTexts() const;

    int occurrences = 0;
};

// A summary sheet "Summary" in first place, filled row by row from `rows`
// (cells split at "|"; an empty piece is an empty cell), starting in A1.
std::shared_ptr<Model> modelWithSummary(const QStringList &rows);

// The application node the job binds to.
std::shared_ptr<AutomationNode> makeApplication(const std::shared_ptr<Model> &model);

// Puts the model behind "Excel.Application" for as long as it lives.
class RecordingBackend
{
public:
    explicit RecordingBackend(std::shared_ptr<Model> model);
    ~RecordingBackend();
    RecordingBackend(const RecordingBackend &) = delete;
    RecordingBackend &operator=(const RecordingBackend &) = delete;

    Model &model() { return *m_model; }

private:
    std::shared_ptr<Model> m_model;
};

// "B3:F20" of a block; "B3" of a single cell.
QString a1Address(int top, int left, int rows, int columns);

} // namespace recording
