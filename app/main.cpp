// Start-up: the settings file (beside the executable when it can be written
// there), one running copy of the program, the window and the event loop.

#include "AppResources.h"
#include "JobLog.h"
#include "MainWindow.h"
#include "PlatformFiles.h"
#include "SettingsLocation.h"
#include "SingleInstance.h"

#include <QApplication>

#ifdef SHEETSPLICER_LIBREOFFICE
#include "StagingFolder.h"
#include "TerminationCleanup.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char *argv[])
{
#ifdef SHEETSPLICER_LIBREOFFICE
    // Ended by the session or a signal: the offices of a running job go too.
    const TerminationHold untilSignalled = cleanUpOfficesOnTermination(StagingFolder::removeUnpublished);
#endif

    // 1. The executable's path.
    const QByteArray executable = executablePath(argc > 0 ? argv[0] : nullptr);

    // 2. Its folder, with the separator.
    const QByteArray directory = appDirectory(executable);

    // 3.
    QApplication *application = new QApplication(argc, argv);
    JobLog::install();
    installQtTranslations(application);

    // 4. One copy runs: a later start brings it to the front and ends,
    //    and never ends a copy that may be running a job.
    auto instance = std::make_unique<SingleInstance>();
    if (!instance->claim()) {
        instance.reset();
        delete application;
        return 0;
    }

    // 5. The settings file: beside the executable, or in the user's
    //    configuration folder when the program's folder cannot be written.
    const QByteArray settingsFilePath = settingsFileLocation(directory);

    // 6. Builds, places and shows the window.
    MainWindow *window = new MainWindow(settingsFilePath);
    QObject::connect(instance.get(), &SingleInstance::raiseRequested, window, &MainWindow::ShowSoftWindow);

    // 7.
    window->show();

    // 8.
    const int exitCode = application->exec();
    // The tray's "退出程序" while a job runs: the job is cancelled, so its
    // office and partial files go.
    if (window->jobRunning())
        window->cancelJobAndWait();
    if (window->jobRunning()) {
        // A job that does not end is cut off with the process instead of
        // being taken apart under the running worker thread.
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    delete window;
    instance.reset();
    delete application;
    return exitCode;
}
