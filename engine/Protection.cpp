#include "Protection.h"

#include "AutomationObject.h"

QString editableRangeTitle()
{
    return QStringLiteral("allowEditRange1");
}

void addEditableRange(AutomationObject *sheet, AutomationObject *range)
{
    AutomationObject *protection = sheet->querySubObject("Protection()");
    AutomationObject *ranges = protection ? protection->querySubObject("AllowEditRanges()") : nullptr;
    if (ranges)
        ranges->dynamicCall("Add(QVariant,QVariant)", editableRangeTitle(), range->asVariant());
}

void removeEditableRange(AutomationObject *sheet)
{
    AutomationObject *protection = sheet->querySubObject("Protection()");
    AutomationObject *ranges = protection ? protection->querySubObject("AllowEditRanges()") : nullptr;
    AutomationObject *range = ranges ? ranges->querySubObject("Item(const QVariant&)", editableRangeTitle()) : nullptr;
    if (range)
        range->dynamicCall("Delete()");
}

void protectSheet(AutomationObject *sheet, const QString &password)
{
    // An empty password still goes as a text, never as a null one.
    sheet->dynamicCall("Protect(QVariant)", password.isNull() ? QStringLiteral("") : password);
}

void lockAndHideFormulas(AutomationObject *range)
{
    range->setProperty("Locked", true);
    range->setProperty("FormulaHidden", true);
}
