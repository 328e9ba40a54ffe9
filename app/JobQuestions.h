#pragma once

#include <QString>

class QWidget;

// The questions the window asks before it replaces or gives up something.

// Asks whether an existing result file may be replaced; true for Yes.
bool askReplace(QWidget *parent, const QString &path);

// Tells what a job will not do though the form seems to ask for it; true
// when the user goes on.
bool askGoOn(QWidget *parent, const QString &warning);

// Shows a failure's text with the reasons the program logged for it.
void showDetails(QWidget *parent, const QString &failure, const QString &details);

// Asks whether a running job may be cancelled so the window can close.
bool askCancelAndClose(QWidget *parent);
