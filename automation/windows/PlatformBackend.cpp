#include "AutomationNode.h"

#include "ComLog.h"
#include "ComNode.h"
#include "ComSession.h"

#include <objbase.h>

// On Windows every ProgID is a COM class: "Excel.Application" is Excel, or
// WPS when it registered itself under that name.
std::shared_ptr<AutomationNode> createPlatformBackend(const QString &progId)
{
    auto session = std::make_shared<ComSession>();
    if (!session->initialised())
        return nullptr;
    CLSID classId;
    HRESULT result = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId.utf16()), &classId);
    if (FAILED(result)) {
        qCWarning(comLog, "No COM class is registered as %s (0x%08lx)", qPrintable(progId),
                  static_cast<unsigned long>(result));
        return nullptr;
    }
    IDispatch *dispatch = nullptr;
    result = CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                              IID_IDispatch, reinterpret_cast<void **>(&dispatch));
    if (FAILED(result) || !dispatch) {
        qCWarning(comLog, "%s could not be started (0x%08lx)", qPrintable(progId),
                  static_cast<unsigned long>(result));
        return nullptr;
    }
    auto node = std::make_shared<ComNode>(std::move(session), dispatch);
    dispatch->Release();
    return node;
}
