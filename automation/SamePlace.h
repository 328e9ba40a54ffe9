#pragma once

#include <QString>

// Whether two paths name the same file or folder: through links and other
// spellings where both exist (on Windows, without regard to case), and by
// their folder's real path and their name where one does not exist yet.
bool isSamePlace(const QString &a, const QString &b);
