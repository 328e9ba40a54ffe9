#pragma once

#include <objidl.h>

// Registered for the session's thread: a call that a busy server (a dialog
// open, a recalculation running) rejects is retried for up to a minute
// instead of failing at once with RPC_E_CALL_REJECTED. One filter per
// thread, however many sessions it runs: the first acquire() installs it,
// the last release() puts the previous filter back.
class ComMessageFilter final : public IMessageFilter
{
public:
    virtual ~ComMessageFilter() = default;

    static void acquire();
    static void release();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD type, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO info) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;

private:
    bool install();
    void uninstall();

    IMessageFilter *m_previous = nullptr;
};
