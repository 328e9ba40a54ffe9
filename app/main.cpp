// Start-up: the settings file beside the executable, one running
// copy of the program, the window and the event loop.

#include "MainWindow.h"
#include "PlatformFiles.h"
#include "ProcessList.h"

#include <QApplication>

#ifdef SHEETSPLICER_LIBREOFFICE
#include "TerminationCleanup.h"
#endif

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
#ifdef SHEETSPLICER_LIBREOFFICE
    // Ended by the session or a signal: the offices of a running job go too.
    cleanUpOfficesOnTermination();
#endif

    // 1. The executable's path.
    const QByteArray executable = executablePath(argc > 0 ? argv[0] : nullptr);

    // 2. Its folder, with the separator.
    const QByteArray directory = appDirectory(executable);

    // 3. A newly started copy replaces one that runs already (or ends itself,
    //    when it comes first in the process list).
    if (countProcesses(programImageName()) > 1)
        terminateFirstProcess(programImageName());

    // 4. The settings file.
    const QByteArray settingsFilePath = directory + "Sheetsplicer.wqz";

    // 5.
    QApplication *application = new QApplication(argc, argv);

    // 6. Builds, places and shows the window.
    MainWindow *window = new MainWindow(settingsFilePath);

    // 7.
    window->show();

    // 8.
    const int exitCode = application->exec();
    if (window->jobRunning()) {
        // The window was closed, or the tray's "退出程序" chosen, while a job
        // runs: the job is cut off with the process instead of being taken
        // apart under the running worker thread.
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    delete window;
    delete application;
    return exitCode;
}
