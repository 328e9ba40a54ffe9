#pragma once

#include <QHash>
#include <QUuid>

#include <memory>

class ComTypeTable;

// COM on the thread that starts the application: initialised (single-threaded
// apartment) when the session is made, uninitialised when the last object
// of the session lets it go. Every node of one application shares it, with
// the type tables read so far and whether the server is still there. A
// busy server's rejected calls are retried (see ComMessageFilter).
class ComSession
{
public:
    ComSession();
    ~ComSession();
    ComSession(const ComSession &) = delete;
    ComSession &operator=(const ComSession &) = delete;

    bool initialised() const { return m_initialised; }

    // The server stopped answering (crashed, killed, or closed); every later
    // call fails at once.
    bool disconnected() const { return m_disconnected; }
    void markDisconnected() { m_disconnected = true; }

    // The member tables of the interfaces met so far, by interface id.
    std::shared_ptr<ComTypeTable> typeTable(const QUuid &interfaceId) const;
    void addTypeTable(const QUuid &interfaceId, std::shared_ptr<ComTypeTable> table);

private:
    bool m_initialised = false;
    bool m_disconnected = false;
    unsigned long m_threadId = 0;
    QHash<QUuid, std::shared_ptr<ComTypeTable>> m_tables;
};
