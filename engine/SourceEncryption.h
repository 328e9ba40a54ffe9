#pragma once

#include <QString>

// Whether a workbook file is encrypted under an open password, read from the
// file alone: an .xlsx or .xlsm that is a compound file rather than a zip
// package, or an .xls whose workbook stream starts with a FILEPASS record
// after its BOF. False for anything that cannot be read that far.
bool isEncryptedWorkbook(const QString &path);
