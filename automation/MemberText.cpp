#include "MemberText.h"

MemberText::MemberText(const char *text)
    : m_text(text ? text : "")
{
    const int open = m_text.indexOf('(');
    m_name = (open < 0 ? m_text : m_text.left(open)).trimmed();
    if (open < 0)
        return;
    const int close = m_text.lastIndexOf(')');
    const QByteArray inside = m_text.mid(open + 1, (close > open ? close : m_text.size()) - open - 1).trimmed();
    if (inside.isEmpty())
        return;
    QVariantList constants;
    for (const QByteArray &part : inside.split(',')) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok);
        if (!ok)
            return; // a parameter list of types, not constants
        constants << value;
    }
    m_constants = constants;
}
