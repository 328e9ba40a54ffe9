#include "ComMessageFilter.h"

#include "ComLog.h"

#include <objbase.h>

namespace {

constexpr DWORD retryForMs = 60000;
constexpr DWORD retryAfterMs = 250;
constexpr DWORD cancelCall = DWORD(-1);

thread_local ComMessageFilter *threadFilter = nullptr;
thread_local int threadUsers = 0;

} // namespace

void ComMessageFilter::acquire()
{
    if (threadUsers++ > 0)
        return;
    auto *filter = new ComMessageFilter;
    if (filter->install())
        threadFilter = filter;
    else
        delete filter;
}

void ComMessageFilter::release()
{
    if (threadUsers == 0 || --threadUsers > 0)
        return;
    if (threadFilter) {
        threadFilter->uninstall();
        delete threadFilter;
        threadFilter = nullptr;
    }
}

bool ComMessageFilter::install()
{
    const HRESULT result = CoRegisterMessageFilter(this, &m_previous);
    if (FAILED(result))
        qCWarning(comLog, "No message filter (0x%08lx): a busy server's rejections fail at once",
                  static_cast<unsigned long>(result));
    return SUCCEEDED(result);
}

void ComMessageFilter::uninstall()
{
    IMessageFilter *ours = nullptr;
    CoRegisterMessageFilter(m_previous, &ours);
    if (m_previous)
        m_previous->Release();
    if (ours)
        ours->Release();
    m_previous = nullptr;
}

HRESULT ComMessageFilter::QueryInterface(REFIID id, void **object)
{
    if (id == IID_IUnknown || id == IID_IMessageFilter) {
        *object = static_cast<IMessageFilter *>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The filter lives as long as its thread's sessions; COM's references do
// not own it.
ULONG ComMessageFilter::AddRef()
{
    return 2;
}

ULONG ComMessageFilter::Release()
{
    return 1;
}

DWORD ComMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO)
{
    return SERVERCALL_ISHANDLED;
}

DWORD ComMessageFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType)
{
    if (rejectType == SERVERCALL_RETRYLATER && tickCount < retryForMs)
        return retryAfterMs;
    return cancelCall;
}

DWORD ComMessageFilter::MessagePending(HTASK, DWORD, DWORD)
{
    return PENDINGMSG_WAITDEFPROCESS;
}
