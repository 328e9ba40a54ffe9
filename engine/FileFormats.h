#pragma once

#include <QString>

// How the result is saved: the ending of its file name and the spreadsheet
// file-format number passed to SaveAs.
struct FileFormat
{
    QString ending;   // lower case, with the dot
    int number = 0;   // 0 when the source is no workbook
};

// The format of a source path, by its ending in any case: .xlsx 51, .xls 56,
// .xlsm 52.
FileFormat outputFormat(const QString &sourcePath);

// The source file's name without its folder and its last extension
// (D:\data\report.final.xlsm gives report.final). Both separators count.
QString completeBaseName(const QString &sourcePath);

// Where the result goes: the save folder (which carries its own trailing
// separator), the source's base name and the lower-case ending, with native
// separators.
QString outputPath(const QString &savePath, const QString &sourcePath);
