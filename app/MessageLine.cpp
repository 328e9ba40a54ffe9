#include "MessageLine.h"

#include <QLabel>
#include <QVariant>

void showMessage(QLabel *line, const QString &text, bool success)
{
    line->setProperty("success", success);
    line->setStyleSheet(success ? QStringLiteral("color: rgb(0, 128, 0);") : QStringLiteral("color: rgb(255, 0, 0);"));
    line->setText(text);
}

bool showsSuccess(const QLabel *line)
{
    return line->property("success").toBool();
}
