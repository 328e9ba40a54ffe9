#include "ComSession.h"

#include "ComLog.h"
#include "ComMessageFilter.h"
#include "ComTypeTable.h"

#include <windows.h>
#include <objbase.h>

ComSession::ComSession()
    : m_threadId(GetCurrentThreadId())
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already initialised on this thread; it still counts once.
    m_initialised = SUCCEEDED(hr);
    if (!m_initialised) {
        qCWarning(comLog, "CoInitializeEx failed: 0x%08lx", static_cast<unsigned long>(hr));
        return;
    }
    ComMessageFilter::acquire();
}

ComSession::~ComSession()
{
    m_tables.clear();
    if (!m_initialised)
        return;
    if (GetCurrentThreadId() != m_threadId) {
        qCWarning(comLog, "COM session ended on another thread than it began; not uninitialised");
        return;
    }
    ComMessageFilter::release();
    CoUninitialize();
}

std::shared_ptr<ComTypeTable> ComSession::typeTable(const QUuid &interfaceId) const
{
    return m_tables.value(interfaceId);
}

void ComSession::addTypeTable(const QUuid &interfaceId, std::shared_ptr<ComTypeTable> table)
{
    m_tables.insert(interfaceId, std::move(table));
}
