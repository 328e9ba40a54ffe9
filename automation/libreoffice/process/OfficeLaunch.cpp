#include "OfficeSession.h"

#include "OfficeSockets.h"
#include "UnoText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Starting a session's office: its profile, its process, and the connection
// to it.

extern char **environ;

using namespace css;

namespace {

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
        // The office starts with the signal handling a program gets, not ours.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &fallback, nullptr);
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
