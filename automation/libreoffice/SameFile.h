#pragma once

#include <QString>

// Whether two paths name the same file: the same device and inode when both
// exist, else the same place once symbolic links, "." and ".." in their
// folders are resolved (a file not there yet, or one that cannot be reached).
bool isSameFile(const QString &a, const QString &b);
