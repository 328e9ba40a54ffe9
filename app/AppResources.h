#pragma once

// Registers the program's embedded resources (the icon ":/images/wqz.ico").
// They are compiled into the static library app_lib, whose objects the linker
// keeps only when something refers to them; the window and the tray call this
// before they use the icon. Safe to call any number of times.
void initAppResources();

class QCoreApplication;

// Qt's own Chinese texts for its dialogs and buttons (是/否, 取消, file
// dialogs), when the system has them; the form itself is written in Chinese.
void installQtTranslations(QCoreApplication *application);
