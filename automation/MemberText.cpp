#include "MemberText.h"

#include <QThreadStorage>

#include <cstring>

namespace {

struct Parsed
{
    QByteArray text;
    QByteArray name;
    QVariantList constants;
};

constexpr int kKept = 8;

struct Recent
{
    Parsed kept[kKept];
    int next = 0;
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
    // Qt's storage, not thread_local: objects with destructors in a
    // compiler's thread storage hang a MinGW program at exit under Wine.
    static QThreadStorage<Recent *> storage;
    if (!storage.hasLocalData())
        storage.setLocalData(new Recent);
    Recent &recent = *storage.localData();
    Parsed *kept = recent.kept;
    int &next = recent.next;
    for (int i = 0; i < kKept; ++i) {
        const Parsed &parsed = kept[i];
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
