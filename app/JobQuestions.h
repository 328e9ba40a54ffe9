#pragma once

#include <QString>

class QWidget;

// The questions the window asks before it replaces or gives up something.

// Asks whether an existing result file may be replaced; true for Yes.
bool askReplace(QWidget *parent, const QString &path);

// Asks whether a running job may be cancelled so the window can close.
bool askCancelAndClose(QWidget *parent);
