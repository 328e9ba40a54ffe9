#include "ComSession.h"

#include "ApplicationProcess.h"
#include "ComLog.h"
#include "ComMessageFilter.h"
#include "ComTypeTable.h"

#include <windows.h>
#include <objbase.h>

namespace {

// How long the application has to go by itself once it was told to quit and
// every object was released, or once a job was cancelled.
constexpr int kQuitGraceMs = 5000;

} // namespace

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
    if (m_initialised) {
        if (GetCurrentThreadId() != m_threadId) {
            qCWarning(comLog, "COM session ended on another thread than it began; not uninitialised");
        } else {
            ComMessageFilter::release();
            CoUninitialize();
        }
    }
    // Every object of the application is released by now.
    if (m_application)
        m_application->endWithin(kQuitGraceMs);
}

void ComSession::adoptApplication(std::unique_ptr<ApplicationProcess> process)
{
    m_application = std::move(process);
}

void ComSession::abortApplication()
{
    if (m_application)
        m_application->endAfter(kQuitGraceMs);
}

std::shared_ptr<ComTypeTable> ComSession::typeTable(const QUuid &interfaceId) const
{
    return m_tables.value(interfaceId);
}

void ComSession::addTypeTable(const QUuid &interfaceId, std::shared_ptr<ComTypeTable> table)
{
    m_tables.insert(interfaceId, std::move(table));
}
