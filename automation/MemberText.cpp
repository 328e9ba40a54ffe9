#include "MemberText.h"

#include <cstring>

namespace {

struct Parsed
{
    QByteArray text;
    QByteArray name;
    QVariantList constants;
};

Parsed parse(const char *given)
{
    Parsed parsed;
    parsed.text = given;
    const QByteArray &text = parsed.text;
    const int open = text.indexOf('(');
    parsed.name = (open < 0 ? text : text.left(open)).trimmed();
    if (open < 0)
        return parsed;
    const int close = text.lastIndexOf(')');
    const QByteArray inside = text.mid(open + 1, (close > open ? close : text.size()) - open - 1).trimmed();
    if (inside.isEmpty())
        return parsed;
    QVariantList constants;
    for (const QByteArray &part : inside.split(',')) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok);
        if (!ok)
            return parsed; // a parameter list of types, not constants
        constants << value;
    }
    parsed.constants = constants;
    return parsed;
}

} // namespace

MemberText::MemberText(const char *text)
{
    const char *given = text ? text : "";
    // A job names a few members hundreds of thousands of times: the texts
    // parsed last are kept, per thread, and compared before parsing again.
    constexpr int kKept = 8;
    thread_local Parsed kept[kKept];
    thread_local int next = 0;
    for (const Parsed &parsed : kept) {
        if (!parsed.text.isNull() && std::strcmp(parsed.text.constData(), given) == 0) {
            m_text = parsed.text;
            m_name = parsed.name;
            m_constants = parsed.constants;
            return;
        }
    }
    const Parsed parsed = parse(given);
    kept[next] = parsed;
    next = (next + 1) % kKept;
    m_text = parsed.text;
    m_name = parsed.name;
    m_constants = parsed.constants;
}
