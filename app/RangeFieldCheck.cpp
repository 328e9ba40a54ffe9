#include "RangeFieldCheck.h"

#include "SettingsCheck.h"

#include <QLineEdit>
#include <QStyle>

QString RangeFieldCheck::placeholder()
{
    return QString::fromUtf8("如 D2:F200");
}

RangeFieldCheck::RangeFieldCheck(QLineEdit *field)
    : QObject(field)
    , m_field(field)
{
    m_field->setPlaceholderText(placeholder());
    m_field->setStyleSheet(QStringLiteral("QLineEdit[invalid=\"true\"] { border: 1px solid red; }"));
    connect(m_field, &QLineEdit::textChanged, this, &RangeFieldCheck::mark);
    mark(m_field->text());
}

void RangeFieldCheck::mark(const QString &text)
{
    // An empty field is not wrong yet; the job says so when it starts.
    const bool invalid = !text.trimmed().isEmpty() && !isEditRangeText(text);
    if (m_field->property("invalid").toBool() == invalid && m_field->property("invalid").isValid())
        return;
    m_field->setProperty("invalid", invalid);
    // The style sheet reads the property only when the style is applied again.
    m_field->style()->unpolish(m_field);
    m_field->style()->polish(m_field);
}
