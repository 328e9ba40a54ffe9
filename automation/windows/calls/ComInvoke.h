#pragma once

#include "ComVariant.h"

#include <QByteArray>
#include <QString>

// One IDispatch::Invoke. The arguments are given in call order (they go
// into DISPPARAMS reversed); for a property put the last one is the value,
// passed as the named argument DISPID_PROPERTYPUT. A method's invalid
// arguments are passed as missing optional arguments.
struct InvokeOutcome
{
    HRESULT result = S_OK;
    QString error; // what the server said went wrong, when it failed

    bool ok() const { return SUCCEEDED(result); }
};

InvokeOutcome invokeMember(IDispatch *dispatch, DISPID id, WORD flags, const QVariantList &args,
                           const DispatchOf &dispatchOf, VARIANT *returned);

// True for the errors that mean the server process is gone.
bool isServerGone(HRESULT result);
