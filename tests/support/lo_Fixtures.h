#pragma once

#include <QString>
#include <QStringList>

// Workbooks for tests that run against the real office, made by
// support/make_workbook.py (python3-openpyxl).
bool makeWorkbook(const QString &kind, const QString &path, const QStringList &args = {});

// A file of a saved xlsx package, unzipped; empty when missing.
QByteArray packagePart(const QString &xlsxPath, const QString &part);

// Number of soffice.bin processes this test process started that still run.
int officeProcesses();
