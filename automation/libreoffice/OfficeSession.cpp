#include "OfficeSession.h"

#include "Guarded.h"
#include "OfficeSockets.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <QUuid>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>


extern char **environ;

using namespace css;

Q_LOGGING_CATEGORY(officeLog, "sheetsplicer.office", QtWarningMsg)

namespace {

std::atomic<quint64> trips{0};

// Sessions alive in this process, for abandonAll().
std::mutex liveMutex;
QList<OfficeSession *> &liveSessions()
{
    static QList<OfficeSession *> sessions;
    return sessions;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// The client side of UNO is bootstrapped once per process.
uno::Reference<uno::XComponentContext> localContext()
{
    static std::mutex mutex;
    static uno::Reference<uno::XComponentContext> context;
    std::lock_guard<std::mutex> lock(mutex);
    if (!context.is()) {
        const QString dir = QStringLiteral(LO_PROGRAM_DIR);
        rtl::Bootstrap::set("URE_MORE_TYPES", ou("file://" + dir + "/types/offapi.rdb"));
        context = cppu::defaultBootstrap_InitialComponentContext(ou("file://" + dir + "/unorc"));
    }
    return context;
}

// CPU time (user + system, in clock ticks) the process has used, or -1.
qint64 cpuTicks(qint64 pid, char *state)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    if (state)
        *state = fields[0].isEmpty() ? '?' : fields[0][0];
    return fields[11].toLongLong() + fields[12].toLongLong();
}

const char profileDefaults[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    // No lock files beside the documents it opens: a killed office would leave them behind.
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseLocking\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseDocumentOOoLockFile\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseDocumentSystemFileLocking\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    // Macros never run.
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"DisableMacrosExecution\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    // No backups, no autosave, no recovery data in the private profile.
    "<item oor:path=\"/org.openoffice.Office.Common/Save/Document\"><prop oor:name=\"CreateBackup\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/AutoSave\"><prop oor:name=\"Enabled\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/RecoveryInfo\"><prop oor:name=\"Enabled\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    // A sort moves references with the cells they name (rows are deleted by sorting).
    "<item oor:path=\"/org.openoffice.Office.Calc/Input\"><prop oor:name=\"UpdateReferenceOnSort\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    // Keep VBA projects of .xlsm and .xls files when saving.
    "<item oor:path=\"/org.openoffice.Office.Calc/Filter/Import/VBA\"><prop oor:name=\"Load\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Calc/Filter/Import/VBA\"><prop oor:name=\"Save\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Calc/Filter/Import/VBA\"><prop oor:name=\"Executable\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "</oor:items>\n";

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

quint64 OfficeSession::roundTrips()
{
    return trips.load();
}

OfficeSession::Call::Call(OfficeSession &session)
    : m_session(session)
{
    ++trips;
    if (m_session.m_callDepth.fetch_add(1) == 0)
        m_session.m_callStartedMs.store(nowMs());
}

OfficeSession::Call::~Call()
{
    if (m_session.m_callDepth.fetch_sub(1) == 1)
        m_session.m_callStartedMs.store(0);
}

void OfficeSession::markLost()
{
    m_lost.store(true);
}

void OfficeSession::abort()
{
    markLost();
    if (m_pid > 0 && !m_exited.load())
        killGroup();
}

QString OfficeSession::profileUrl() const
{
    return m_profile ? QString::fromUtf8(QUrl::fromLocalFile(m_profile->path()).toEncoded()) : QString();
}

void OfficeSession::writeProfileDefaults()
{
    QDir(m_profile->path()).mkpath(QStringLiteral("user"));
    QFile file(m_profile->path() + QStringLiteral("/user/registrymodifications.xcu"));
    if (file.open(QIODevice::WriteOnly))
        file.write(profileDefaults);
}

bool OfficeSession::launch()
{
    const QByteArray program = QFile::encodeName(m_options.program);
    const QByteArray profileArg = "-env:UserInstallation=" + profileUrl().toUtf8();
    const QByteArray acceptArg = "--accept=pipe,name=" + m_pipeName.toLatin1() + ";urp;StarOffice.ComponentContext";
    QList<QByteArray> args{program, "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
                           "--nolockcheck", "--nofirststartwizard", profileArg, acceptArg};
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The office's scratch files go inside the profile, so they go with it
    // even when the office is killed.
    const QString scratch = m_profile->path() + QStringLiteral("/tmp");
    QDir().mkpath(scratch);
    QList<QByteArray> environment{"TMPDIR=" + QFile::encodeName(scratch)};
    for (char **e = environ; e && *e; ++e)
        if (qstrncmp(*e, "TMPDIR=", 7) != 0)
            environment << QByteArray(*e);
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        // The office dies with the thread that started it, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        // Its own process group, so a terminal's Ctrl+C reaches us, not the office.
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    m_pid = pid;
    m_exited.store(false);
    return true;
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

bool OfficeSession::connect(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    uno::Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(localContext());
    } catch (const uno::Exception &) {
        return false;
    }
    const rtl::OUString url = ou(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(m_pipeName));
    int restarts = 0;
    while (timer.elapsed() < timeoutMs) {
        try {
            uno::Reference<uno::XComponentContext> context(resolver->resolve(url), uno::UNO_QUERY_THROW);
            m_desktop = frame::Desktop::create(context);
            m_context = context;
            return true;
        } catch (const uno::Exception &) {
        }
        // A fresh profile makes the office set itself up and exit once (81).
        int status = 0;
        if (::waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG) == m_pid) {
            m_exited.store(true);
            if (++restarts > 3 || !launch())
                return false;
        }
        ::usleep(50000);
    }
    return false;
}

// Profiles of sessions whose program died without cleaning up: the folder
// names the process that made it.
void OfficeSession::removeStaleProfiles()
{
    const QDir temp(QDir::tempPath());
    for (const QString &name : temp.entryList({QStringLiteral("sheetsplicer-office-*")}, QDir::Dirs)) {
        const QStringList parts = name.split('-');
        bool numeric = false;
        const qint64 owner = parts.size() >= 4 ? parts.at(2).toLongLong(&numeric) : 0;
        if (!numeric || owner <= 0 || owner == QCoreApplication::applicationPid())
            continue;
        if (::kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM)
            continue; // still running
        // The sockets its office left: the profile's by the profile's URL,
        // the session's pipe by the owner's number in its name.
        QStringList sockets{OfficeSockets::profilePipeName(
            QString::fromUtf8(QUrl::fromLocalFile(temp.filePath(name)).toEncoded()))};
        const QString prefix = QStringLiteral("OSL_PIPE_%1_").arg(::geteuid());
        for (const QString &folder : {QStringLiteral("/tmp"), QStringLiteral("/var/tmp")})
            for (const QString &pipe : QDir(folder).entryList(
                     {prefix + QStringLiteral("sheetsplicer-%1-*").arg(owner)}, QDir::System | QDir::Hidden))
                sockets << pipe.mid(prefix.size());
        OfficeSockets::remove(sockets);
        QDir(temp.filePath(name)).removeRecursively();
    }
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

void OfficeSession::watch()
{
    qint64 lastTicks = -1;
    qint64 lastProgressMs = nowMs();
    qint64 stoppedSinceMs = 0;
    std::unique_lock<std::mutex> lock(m_watchMutex);
    while (!m_watchStop) {
        m_watchWake.wait_for(lock, std::chrono::milliseconds(250));
        if (m_watchStop)
            break;
        char state = '?';
        const qint64 ticks = cpuTicks(m_pid, &state);
        const qint64 now = nowMs();
        if (ticks < 0 || state == 'Z' || state == 'X') {
            // The office has gone.
            if (!m_lost.load() && !m_quitting.load())
                qCWarning(officeLog) << "the office process" << m_pid << "ended";
            markLost();
            continue;
        }
        if (ticks != lastTicks) {
            lastTicks = ticks;
            lastProgressMs = now;
        }
        stoppedSinceMs = (state == 'T' || state == 't') ? (stoppedSinceMs ? stoppedSinceMs : now) : 0;
        const qint64 started = m_callStartedMs.load();
        if (started == 0 || m_lost.load())
            continue;
        const bool stopped = stoppedSinceMs && now - stoppedSinceMs > 2000;
        const bool frozen = now - started > m_options.frozenAfterMs && now - lastProgressMs > m_options.frozenAfterMs;
        if (stopped || frozen) {
            qCWarning(officeLog) << "the office" << (stopped ? "was stopped" : "stopped answering") << "for"
                                 << (now - (stopped ? stoppedSinceMs : lastProgressMs)) << "ms; ended";
            markLost();
            killGroup();
        }
    }
}

void OfficeSession::stopWatchdog()
{
    if (!m_watchdog.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_watchStop = true;
    }
    m_watchWake.notify_all();
    m_watchdog.join();
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
