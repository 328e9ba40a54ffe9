#pragma once

#include "Book.h"

// An .xlsx or .xlsm source encrypted under `password`, decrypted into a
// folder of its own that lives as long as the workbook; nothing for any
// other file, or one the password does not open (the reason is logged).
ReadableSource readableSource(const QString &path, const QString &password);
