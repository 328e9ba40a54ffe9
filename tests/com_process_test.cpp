// Ending the application a job started, and only it: two processes with a
// window each stand for the application of the job and another instance
// the user has open.

#include "ApplicationProcess.h"
#include "ComSession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <windows.h>

#include <memory>

namespace {

struct WindowSearch
{
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<WindowSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || GetWindow(window, GW_OWNER) || !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// A running program with a top-level window of its own.
class WindowedProcess
{
public:
    WindowedProcess()
    {
        m_process.start(QStringLiteral("notepad.exe"), QStringList());
        m_process.waitForStarted(10000);
        QElapsedTimer timer;
        timer.start();
        while (!m_window && timer.elapsed() < 15000) {
            WindowSearch search{static_cast<DWORD>(m_process.processId()), nullptr};
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            m_window = search.found;
            if (!m_window)
                QThread::msleep(50);
        }
    }
    ~WindowedProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool ready() const { return m_window != nullptr; }
    long long windowHandle() const { return reinterpret_cast<intptr_t>(m_window); }
    unsigned long processId() const { return static_cast<unsigned long>(m_process.processId()); }
    void askToClose() { PostMessageW(m_window, WM_CLOSE, 0, 0); }

    // Whether it ended within `ms`, and how: 1 is the code it is ended with.
    bool endedWithin(int ms) { return m_process.waitForFinished(ms) || m_process.state() == QProcess::NotRunning; }
    bool running() const { return m_process.state() == QProcess::Running; }
    int exitCode() const { return m_process.exitCode(); }

private:
    QProcess m_process;
    HWND m_window = nullptr;
};

} // namespace

class ComProcessTest : public QObject
{
    Q_OBJECT
private slots:
    // The process found from the application's window is the one ended; the
    // other instance keeps running. One that goes by itself is not ended.
    void endsTheApplicationItStartedOnly()
    {
        WindowedProcess job;
        WindowedProcess users;
        QVERIFY(job.ready() && users.ready());

        auto application = ApplicationProcess::ofWindow(job.windowHandle());
        QVERIFY(application);
        QCOMPARE(application->processId(), job.processId());
        QVERIFY(application->running());
        QVERIFY(application->endWithin(200));
        QVERIFY(job.endedWithin(5000));
        QCOMPARE(job.exitCode(), 1);
        QVERIFY(users.running());

        WindowedProcess quitting;
        QVERIFY(quitting.ready());
        auto leaving = ApplicationProcess::ofWindow(quitting.windowHandle());
        QVERIFY(leaving);
        quitting.askToClose();
        QVERIFY(leaving->endWithin(10000));
        QVERIFY(quitting.endedWithin(5000));
        QCOMPARE(quitting.exitCode(), 0);
        QVERIFY(users.running());

        // Nothing to end: no window, or this program itself (an in-process
        // server).
        QVERIFY(!ApplicationProcess::ofWindow(0));
        QVERIFY(!ApplicationProcess::ofProcessId(GetCurrentProcessId()));
    }

    // A cancel gives the application a grace to be quit by the job; the
    // session's end (every object released) waits for it, then ends it.
    void cancelAndSessionEnd()
    {
        WindowedProcess users;
        QVERIFY(users.ready());
        {
            WindowedProcess job;
            QVERIFY(job.ready());
            auto session = std::make_shared<ComSession>();
            session->adoptApplication(ApplicationProcess::ofProcessId(job.processId()));
            QElapsedTimer timer;
            timer.start();
            session->abortApplication();
            QVERIFY2(timer.elapsed() < 1000, "a cancel returns at once");
            QVERIFY(job.running());
            QVERIFY(job.endedWithin(15000));
            QCOMPARE(job.exitCode(), 1);
        }
        {
            WindowedProcess job;
            QVERIFY(job.ready());
            auto session = std::make_shared<ComSession>();
            session->adoptApplication(ApplicationProcess::ofProcessId(job.processId()));
            session.reset();
            QVERIFY(job.endedWithin(2000));
        }
        QVERIFY(users.running());
    }
};

QTEST_GUILESS_MAIN(ComProcessTest)
#include "com_process_test.moc"
