#include "OfficeSession.h"

#include "Guarded.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <csignal>
#include <malloc.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// A session's life: made and registered, started, and abandoned with the
// program. Starting the office is in OfficeLaunch.cpp, watching its calls in
// OfficeWatchdog.cpp, ending it in OfficeShutdown.cpp.

Q_LOGGING_CATEGORY(officeLog, "sheetsplicer.office", QtWarningMsg)

namespace {

// Sessions alive in this process, for abandonAll().
std::mutex liveMutex;
QList<OfficeSession *> &liveSessions()
{
    static QList<OfficeSession *> sessions;
    return sessions;
}

} // namespace

OfficeSession::Options OfficeSession::defaultOptions()
{
    Options options;
    const QByteArray fromEnv = qgetenv("SHEETSPLICER_OFFICE");
    options.program = fromEnv.isEmpty() ? QStringLiteral(LO_PROGRAM_DIR "/soffice.bin") : QString::fromLocal8Bit(fromEnv);
    return options;
}

OfficeSession::OfficeSession(const Options &options)
    : m_options(options)
{
    // Large buffers come from the system and go back to it when freed. The
    // allocator would otherwise raise this threshold after the first job's
    // buffers, and every later job would build its large buffers in the
    // heap, peaking higher than the first one.
    static const bool fixedThreshold = ::mallopt(M_MMAP_THRESHOLD, 256 * 1024) == 1;
    Q_UNUSED(fixedThreshold);
    // The bridge's writer thread writing to an office that has gone (killed
    // at a cancel, or crashed) gets an error it reports, not a signal that
    // ends the program.
    static const bool pipesIgnored = ::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    Q_UNUSED(pipesIgnored);
    std::lock_guard<std::mutex> lock(liveMutex);
    liveSessions() << this;
}

OfficeSession::~OfficeSession()
{
    quit();
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        liveSessions().removeAll(this);
    }
    // A job's buffers are gone by now; the heap they grew is handed back, so
    // a long-running window stands where it did before the job.
    ::malloc_trim(0);
}

void OfficeSession::abandonAll()
{
    std::lock_guard<std::mutex> lock(liveMutex);
    for (OfficeSession *session : liveSessions()) {
        session->markLost();
        if (session->m_pid > 0 && !session->m_exited.load()) {
            session->killGroup();
            // Gone for good before its folder goes, or it could still write there.
            ::waitpid(static_cast<pid_t>(session->m_pid), nullptr, 0);
        }
        if (session->m_profile) {
            const QString path = session->m_profile->path();
            QDir(path).removeRecursively();
            // A write that was under way as the office died can land late.
            ::usleep(100000);
            QDir(path).removeRecursively();
        }
        if (!session->m_pendingFile.isEmpty())
            QFile::remove(session->m_pendingFile);
    }
}

QString OfficeSession::scratchFolder() const
{
    return m_profile && !lost() ? m_profile->path() + QStringLiteral("/save") : QString();
}

void OfficeSession::setPendingFile(const QString &path)
{
    std::lock_guard<std::mutex> lock(liveMutex);
    m_pendingFile = path;
}

void OfficeSession::markLost()
{
    m_lost.store(true);
}

bool OfficeSession::start()
{
    removeStaleProfiles();
    m_profile = std::make_unique<QTemporaryDir>(
        QDir::tempPath() + QStringLiteral("/sheetsplicer-office-%1-XXXXXX").arg(QCoreApplication::applicationPid()));
    if (!m_profile->isValid()) {
        markLost();
        return false;
    }
    m_pipeName = QStringLiteral("sheetsplicer-%1-%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(QUuid::createUuid().toString(QUuid::Id128));
    writeProfileDefaults();
    QDir(m_profile->path()).mkpath(QStringLiteral("save"));
    if (!launch() || !connect(m_options.connectTimeoutMs)) {
        markLost();
        quit();
        return false;
    }
    m_watchStop = false;
    m_watchdog = std::thread([this] { watch(); });
    return true;
}

std::optional<bool> OfficeSession::loadedSheetFact(const QString &key) const
{
    const auto found = m_loadedSheetFacts.constFind(key);
    return found == m_loadedSheetFacts.constEnd() ? std::nullopt : std::optional<bool>(*found);
}
