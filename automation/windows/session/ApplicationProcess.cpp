#include "ApplicationProcess.h"

#include "ComLog.h"

#include <windows.h>

#include <thread>

namespace {

// What ending and watching the process needs, and no more.
constexpr DWORD kAccess = SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION
    | PROCESS_SET_QUOTA;

HANDLE openProcess(DWORD processId)
{
    HANDLE process = OpenProcess(kAccess, FALSE, processId);
    if (!process) // without the job object's right, it can still be ended
        process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                              FALSE, processId);
    return process;
}

void terminate(HANDLE process, DWORD processId)
{
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
        return;
    qCWarning(comLog, "The application (process %lu) did not end by itself; it is ended",
              static_cast<unsigned long>(processId));
    if (!TerminateProcess(process, 1))
        qCWarning(comLog, "Process %lu could not be ended (error %lu)",
                  static_cast<unsigned long>(processId), GetLastError());
    WaitForSingleObject(process, 5000);
}

} // namespace

std::unique_ptr<ApplicationProcess> ApplicationProcess::ofWindow(long long windowHandle)
{
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(windowHandle));
    if (!window || !IsWindow(window))
        return nullptr;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId ? ofProcessId(processId) : nullptr;
}

std::unique_ptr<ApplicationProcess> ApplicationProcess::ofProcessId(unsigned long processId)
{
    // Never this program itself (an in-process server has no process of
    // its own to end).
    if (processId == 0 || processId == GetCurrentProcessId())
        return nullptr;
    HANDLE process = openProcess(processId);
    if (!process) {
        qCWarning(comLog, "Process %lu cannot be opened (error %lu)", processId, GetLastError());
        return nullptr;
    }
    std::unique_ptr<ApplicationProcess> result(new ApplicationProcess(process, processId));
    result->bindToThisProgram();
    return result;
}

ApplicationProcess::ApplicationProcess(void *process, unsigned long processId)
    : m_process(process)
    , m_processId(processId)
{
}

ApplicationProcess::~ApplicationProcess()
{
    // Closing the job's last handle ends the process if it is still there;
    // by now it has been waited for.
    if (m_job)
        CloseHandle(m_job);
    CloseHandle(m_process);
}

void ApplicationProcess::bindToThisProgram()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)
        || !AssignProcessToJobObject(job, m_process)) {
        qCInfo(comLog, "Process %lu is not tied to this program's lifetime (error %lu)", m_processId,
               GetLastError());
        CloseHandle(job);
        return;
    }
    m_job = job;
}

bool ApplicationProcess::running() const
{
    return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool ApplicationProcess::endWithin(int timeoutMs)
{
    if (WaitForSingleObject(m_process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        terminate(m_process, m_processId);
    return !running();
}

void ApplicationProcess::endAfter(int graceMs)
{
    // A handle of the watcher's own, so that it outlives this object.
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), m_process, GetCurrentProcess(), &own, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return;
    const DWORD processId = m_processId;
    std::thread([own, processId, graceMs] {
        if (WaitForSingleObject(own, static_cast<DWORD>(graceMs)) != WAIT_OBJECT_0)
            terminate(own, processId);
        CloseHandle(own);
    }).detach();
}
