#include "CliArguments.h"

#ifdef SHEETSPLICER_LIBREOFFICE
#include "TerminationCleanup.h"
#endif

#include <QCoreApplication>
#include <QTextStream>


int main(int argc, char **argv)
{
#ifdef SHEETSPLICER_LIBREOFFICE
    cleanUpOfficesOnTermination();
#endif
    QCoreApplication application(argc, argv);
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
    return runCliJob(request, [&out](const QString &text) {
        out << text << '\n';
        out.flush();
    });
}
