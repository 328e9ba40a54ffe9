#include "CliArguments.h"
#include "JobLog.h"

#ifdef SHEETSPLICER_LIBREOFFICE
#include "StagingFolder.h"
#include "TerminationCleanup.h"
#endif

#include "Texts.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

#ifdef SHEETSPLICER_LIBREOFFICE
// Ctrl-C or a signal: the job is cancelled, and says so; nothing half made
// stays behind.
void cancelledBySignal()
{
    StagingFolder::removeUnpublished();
    std::fputs((Texts::cancelled() + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}
#endif

// Once a signal has come, the job's own texts tell only of its office
// going away.
bool quietened()
{
#ifdef SHEETSPLICER_LIBREOFFICE
    return terminationUnderway();
#else
    return false;
#endif
}

} // namespace

int main(int argc, char **argv)
{
#ifdef SHEETSPLICER_LIBREOFFICE
    const TerminationHold untilSignalled = cleanUpOfficesOnTermination(cancelledBySignal);
#endif
    QCoreApplication application(argc, argv);
    JobLog::install();
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    const CliRequest request = parseCliArguments(application.arguments().mid(1));
    switch (request.status) {
    case CliRequest::Status::Help:
        out << cliUsage();
        return 0;
    case CliRequest::Status::UsageError:
        err << "sheetsplicer-cli: " << request.error << "\n\n" << cliUsage();
        return 2;
    case CliRequest::Status::Run:
        break;
    }

    if (!outputFolderExists(request.settings.savePath)) {
        out << outputFolderMissingText() << '\n';
        return 1;
    }
    const QString warning = cliWarning(request);
    if (!warning.isEmpty())
        err << warning << '\n';
    err.flush();
    const int exitCode = runCliJob(request, [&out](const QString &text) {
        if (quietened())
            return;
        out << text << '\n';
        out.flush();
    });
    // A job that did not succeed says why, as far as the program knows.
    if (exitCode != 0) {
        for (const QString &line : JobLog::lines(false))
            err << "sheetsplicer-cli: " << line << '\n';
    }
    return exitCode;
}
