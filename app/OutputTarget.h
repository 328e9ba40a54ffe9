#pragma once

#include <QString>

// Where the window's job puts its result.

// The folder, "/", the source's complete base name and the lower-case
// ending chosen from the source's ending; empty when the source has none of
// the three endings (the job refuses such a source itself).
QString outputPathFor(const QString &sourcePath, const QString &saveFolder);
