#pragma once

#include <QHash>
#include <QUuid>

#include <memory>

class ApplicationProcess;
class ComTypeTable;

// COM on the thread that starts the application: initialised (single-threaded
// apartment) when the session is made, uninitialised when the last object
// of the session lets it go. Every node of one application shares it, with
// the type tables read so far and whether the server is still there. A
// busy server's rejected calls are retried (see ComMessageFilter).
//
// When the application runs in a process of its own, the session holds that
// process: once the last object is released, the application has a few
// seconds to go by itself (after Quit), and is then ended.
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

    // The application's own process, found when the application started.
    void adoptApplication(std::unique_ptr<ApplicationProcess> process);
    // From any thread: the application is ended unless it has gone within
    // a few seconds (time for the job to quit it after a cancel).
    void abortApplication();

    // The member tables of the interfaces met so far, by interface id.
    std::shared_ptr<ComTypeTable> typeTable(const QUuid &interfaceId) const;
    void addTypeTable(const QUuid &interfaceId, std::shared_ptr<ComTypeTable> table);

private:
    bool m_initialised = false;
    bool m_disconnected = false;
    unsigned long m_threadId = 0;
    QHash<QUuid, std::shared_ptr<ComTypeTable>> m_tables;
    std::unique_ptr<ApplicationProcess> m_application;
};
