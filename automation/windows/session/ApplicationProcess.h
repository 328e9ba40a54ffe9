#pragma once

#include <memory>

// The process of the spreadsheet application a session started, found from
// the application's own main window, so that it alone is ended when it does
// not go by itself: never another instance the user has open.
//
// While it is held, the process also belongs to a job object of this program
// that ends it when this program ends, whichever way that happens.
class ApplicationProcess
{
public:
    // The process of the top-level window `windowHandle` (Application.Hwnd);
    // null when there is no such window or the process cannot be opened to
    // be ended.
    static std::unique_ptr<ApplicationProcess> ofWindow(long long windowHandle);
    static std::unique_ptr<ApplicationProcess> ofProcessId(unsigned long processId);
    ~ApplicationProcess();
    ApplicationProcess(const ApplicationProcess &) = delete;
    ApplicationProcess &operator=(const ApplicationProcess &) = delete;

    unsigned long processId() const { return m_processId; }
    bool running() const;

    // Waits up to `timeoutMs` for the process to end by itself, then ends
    // it. True when it has ended either way.
    bool endWithin(int timeoutMs);

    // Returns at once; from any thread. The process is ended `graceMs` from
    // now unless it has gone by then (a cancel: the job's own thread may be
    // held in a call until the application answers or is gone).
    void endAfter(int graceMs);

private:
    ApplicationProcess(void *process, unsigned long processId);
    void bindToThisProgram();

    void *m_process = nullptr;
    void *m_job = nullptr;
    unsigned long m_processId = 0;
};
