#include "AutomationNode.h"

#include "ApplicationProcess.h"
#include "ComLog.h"
#include "ComNode.h"
#include "ComSession.h"
#include "MemberText.h"

#include <objbase.h>

namespace {

// The workbooks the application holds as it comes to us. A new instance has
// none; one that has is an application the user has open, which a job must
// never take over (its Quit would close their workbooks unsaved).
int openWorkbooks(ComNode &application)
{
    const std::shared_ptr<AutomationNode> workbooks =
        application.query(MemberText("Workbooks"), {});
    return workbooks ? workbooks->get("Count").toInt() : 0;
}

} // namespace

// On Windows every ProgID is a COM class: "Excel.Application" is Excel, or
// WPS when it registered itself under that name. Each start is a new
// instance of its own (a new object, not the running one), whose process
// the session ends should it outlive the job.
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
    auto node = std::make_shared<ComNode>(session, dispatch);
    dispatch->Release();
    if (progId.endsWith(QLatin1String(".Application"), Qt::CaseInsensitive)) {
        const int open = openWorkbooks(*node);
        if (open > 0) {
            qCWarning(comLog, "%s answered with an instance that already has %d workbook(s) open;"
                              " it is left alone", qPrintable(progId), open);
            return nullptr;
        }
        session->adoptApplication(ApplicationProcess::ofWindow(node->get("Hwnd").toLongLong()));
    }
    return node;
}
