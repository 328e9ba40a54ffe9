#pragma once

#include <QByteArray>
#include <QVariantList>

// A member text as the engine passes it: "Cells(int, int)", "Close (Boolean)",
// "Quit(void)", "End(3)". The member is the name before the first "(",
// trimmed; a parameter list made only of integer literals ("End(3)") carries
// constant arguments that go before the ones given with the call.
class MemberText
{
public:
    explicit MemberText(const char *text);

    const QByteArray &text() const { return m_text; }
    const QByteArray &name() const { return m_name; }
    const QVariantList &constants() const { return m_constants; }

    bool is(const char *member) const { return m_name == member; }

private:
    QByteArray m_text;
    QByteArray m_name;
    QVariantList m_constants;
};
