#pragma once

#include <QByteArray>

// Where the program keeps its settings file: beside the executable (local
// 8-bit folder with its separator) when that file can be written or made and
// the program is not installed (under /usr, or Program Files on Windows),
// otherwise in the user's folder for this program (~/.config/Sheetsplicer,
// %APPDATA%\Sheetsplicer), where an empty file is made when none is there
// yet. Call once the application
// object exists (the configuration folder carries its name).
QByteArray settingsFileLocation(const QByteArray &executableFolder);
