#pragma once

#include <QString>

class AutomationObject;

// The title every editable range gets; a sheet has at most one.
QString editableRangeTitle();

// Opens `range` for editing once `sheet` is protected.
void addEditableRange(AutomationObject *sheet, AutomationObject *range);

// Removes the editable range an earlier job gave `sheet`, if it has one.
void removeEditableRange(AutomationObject *sheet);

// Protects a sheet, also with an empty password.
void protectSheet(AutomationObject *sheet, const QString &password);

// Locks the cells of a formula block and hides their formulas.
void lockAndHideFormulas(AutomationObject *range);
