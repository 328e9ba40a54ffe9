#include "OfficeSession.h"

#include "OfficeSockets.h"

#include <QDir>
#include <QElapsedTimer>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Ending a session's office: asked to end, waited for, and killed with its
// process group when it does not end or must not wait.

using namespace css;

void OfficeSession::abort()
{
    markLost();
    if (m_pid > 0 && !m_exited.load())
        killGroup();
}

bool OfficeSession::waitForExit(int timeoutMs)
{
    if (m_pid <= 0 || m_exited.load())
        return true;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno == ECHILD)) {
            m_exited.store(true);
            return true;
        }
        if (timer.elapsed() >= timeoutMs)
            return false;
        ::usleep(20000);
    }
}

void OfficeSession::killGroup()
{
    // The whole process group: the office and anything it started; the
    // office itself too, should it have left the group.
    const pid_t pid = static_cast<pid_t>(m_pid);
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

void OfficeSession::killOffice()
{
    if (m_pid > 0 && !m_exited.load()) {
        killGroup();
        waitForExit(10000);
    }
}

void OfficeSession::quit()
{
    if (m_quitDone)
        return;
    m_quitDone = true;
    m_quitting.store(true);
    if (m_desktop.is() && !m_lost.load()) {
        try {
            Call call(*this);
            uno::Reference<container::XEnumeration> docs = m_desktop->getComponents()->createEnumeration();
            while (docs->hasMoreElements()) {
                uno::Reference<util::XCloseable> closeable(docs->nextElement(), uno::UNO_QUERY);
                if (closeable.is()) {
                    try {
                        closeable->close(true);
                    } catch (const uno::Exception &) {
                    }
                }
            }
            m_desktop->terminate();
        } catch (const uno::Exception &) {
        }
    }
    // The watchdog keeps guarding the calls above; only now is it done.
    stopWatchdog();
    // Only local releases from here on: asking a dead office anything throws.
    try {
        m_desktop.clear();
        m_context.clear();
    } catch (...) {
    }
    if (m_pid > 0 && !waitForExit(10000))
        killOffice();
    if (m_profile) {
        OfficeSockets::remove({m_pipeName, OfficeSockets::profilePipeName(profileUrl())});
        m_profile->setAutoRemove(false);
        QDir(m_profile->path()).removeRecursively();
        m_profile.reset();
    }
    markLost();
}
