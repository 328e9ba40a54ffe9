#pragma once

#include <QString>
#include <QStringList>

// The parameters of one job: filled by the window (or the command line) before
// a job starts, read by the job on its worker thread. The job writes only
// categoryNames.
struct JobSettings
{
    QString sourceWorkbookPath;
    QString savePath;              // output folder, with a "/" appended
    int classifyColumn = 1;        // 1-based, 1..256
    bool headerRowsEnabled = false;
    int headerRows = 1;            // 1..99
    bool openPasswordEnabled = false;
    QString openPassword;
    bool structurePasswordEnabled = false;
    QString structurePassword;
    QString sheetPassword;
    // One workbook per category: each file's sheet protected with
    // sheetPassword (the sheet split protects by its editable range).
    bool sheetProtectionEnabled = false;
    bool allowEditRangeEnabled = false;
    QString allowEditRange;        // trimmed, full-width colon replaced
    int lookupColumn = 1;          // 1-based, 1..256
    QStringList categoryNames;
    // The settings an earlier result's mark may not change, by their
    // command-line options ("--column", "--header-rows", "--edit-range",
    // "--match-column"): those the command line was given. The window gives
    // none, and updating a result takes the settings it was made with.
    QStringList fixedOptions;

    // The one record the program shares between window and job.
    static JobSettings &current();
};

// The form's rule for a typed editable range: blanks trimmed, every
// full-width colon replaced by ":".
QString normalizedEditRange(const QString &typed);
