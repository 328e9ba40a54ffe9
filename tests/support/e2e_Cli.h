#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

// Running sheetsplicer-cli and reading what it saved, for the end-to-end tests.

// One finished run of the command line.
struct CliRun
{
    bool finished = false;   // ended by itself within the time allowed
    int exitCode = -1;
    QStringList lines;       // every text it printed, one per line
    QString errors;          // what it wrote to stderr

    QString lastLine() const { return lines.isEmpty() ? QString() : lines.last(); }
    // For failure messages: the exit code and every line.
    QString describe() const;
};

// Runs `sheetsplicer-cli ARGUMENTS...` and waits for it.
CliRun runCli(const QStringList &arguments, int timeoutMs = 180000);

// A saved workbook as tests/support/e2e_workbook.py reads it. `exitCode`
// tells why the object is empty: 3 the password did not open the file,
// 4 it is no workbook.
QJsonObject readWorkbook(const QString &path, const QString &password = QString(), int *exitCode = nullptr);

// Writes the decrypted copy of an encrypted file to `to`: 0 done, 3 the
// password does not open it (or the file is not encrypted).
int decryptWorkbook(const QString &from, const QString &password, const QString &to);

// The results stored with the formula cells of one worksheet (0-based) of an
// .xls file: {"C2": 11, "D2": "#REF!", ...}.
QJsonObject xlsFormulaResults(const QString &path, int sheet);

// Each worksheet's frozen pane of an .xls file, in order, and a digest of its
// macro project: {"sheets": [{"name", "frozen", "pane": [columns, rows, top
// row, left column] or null}], "macroProject": text or null}.
QJsonObject xlsViews(const QString &path);

// A digest of every part of a package, or stream of an .xls file, but the
// document properties: {"xl/worksheets/sheet1.xml": "sha256", ...}.
QJsonObject partDigests(const QString &path);

// Every sheet's rows as a LibreOffice of its own (a new profile, its own
// defaults) computes them on opening, read from its CSV export:
// {"Sheet": [["a", "1"], ...]}. Empty when the office could not convert it.
QJsonObject freshOfficeSheets(const QString &path);

// Saves `from` as the .xls file `to` with an office of its own; with a `to`
// ending in .xlsx, saves a workbook again as a user of the office would.
bool saveAsXls(const QString &from, const QString &to);

// Changes the workbook at `path` through an office of its own, as a user
// would, and saves it in place: each edit is [sheet, cell, value] or
// [sheet, "delete-row", row]; protected sheets are opened with `password`.
bool editWorkbook(const QString &path, const QString &password, const QJsonArray &edits);

// The text a job ends with when it succeeds ("classify" or "link").
QString success(const QString &job);

// The sheet names of such a reading, in order.
QStringList namesOf(const QJsonObject &book);

// One sheet of such a reading, and one cell of a sheet ("A1" form).
QJsonObject sheetOf(const QJsonObject &workbook, const QString &name);
QJsonObject cellOf(const QJsonObject &sheet, const QString &address);
// The computed value of a cell as text: numbers without a trailing ".0",
// an empty or missing cell as the empty text.
QString valueText(const QJsonObject &sheet, const QString &address);

// True when the file starts with the signature of an OLE compound file.
bool isCompoundFile(const QString &path);

// A private temporary folder for the offices of one test program: TMPDIR
// points into it for this process and every process it starts, so that what
// an office leaves behind can be told apart from other programs' offices.
class PrivateTemp
{
public:
    PrivateTemp();
    ~PrivateTemp();
    // Creates the folder and points TMPDIR at it; false when it could not.
    bool install();
    QString path() const { return m_path; }
    // What offices left behind: private office folders and scratch files in
    // the temporary folder, and office processes still running on them.
    QStringList leftovers() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

// One test case's folders: "in" for its sources, "out" for its results,
// under a fresh folder in `parent`.
class CaseFolders
{
public:
    explicit CaseFolders(const QString &parent);
    ~CaseFolders();
    bool isValid() const;
    QString path() const;
    QString in(const QString &name = QString()) const;
    QString out(const QString &name = QString()) const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// Lock files an office left beside the files of `folder`.
QStringList lockFilesIn(const QString &folder);
