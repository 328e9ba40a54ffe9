#include "ComInvoke.h"

#include <vector>

namespace {

QString hex(HRESULT result)
{
    return QStringLiteral("0x%1").arg(quint32(result), 8, 16, QLatin1Char('0'));
}

QString exceptionText(EXCEPINFO &info)
{
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    const QString source = fromBstr(info.bstrSource);
    const QString description = fromBstr(info.bstrDescription);
    const HRESULT code = info.scode ? info.scode : HRESULT(info.wCode);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    QString text = QStringLiteral("exception %1").arg(hex(code));
    if (!source.isEmpty())
        text += QStringLiteral(" from ") + source;
    if (!description.isEmpty())
        text += QStringLiteral(": ") + description;
    return text;
}

QString failureText(HRESULT result, EXCEPINFO &info, UINT argumentError, int argumentCount)
{
    if (result == DISP_E_EXCEPTION)
        return exceptionText(info);
    QString text = QStringLiteral("error %1").arg(hex(result));
    if ((result == DISP_E_TYPEMISMATCH || result == DISP_E_PARAMNOTFOUND)
        && int(argumentError) < argumentCount)
        text += QStringLiteral(" at argument %1").arg(argumentCount - int(argumentError));
    return text;
}

} // namespace

InvokeOutcome invokeMember(IDispatch *dispatch, DISPID id, WORD flags, const QVariantList &args,
                           const DispatchOf &dispatchOf, VARIANT *returned)
{
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    const int count = args.size();
    std::vector<VARIANT> arguments(static_cast<size_t>(count));
    InvokeOutcome outcome;
    int converted = 0;
    for (; converted < count; ++converted) {
        const QVariant &arg = args.at(converted);
        const EmptyAs empty = put ? EmptyAs::Empty : EmptyAs::MissingArgument;
        if (!toComVariant(arg, &arguments[size_t(count - 1 - converted)], dispatchOf, empty)) {
            outcome.result = DISP_E_TYPEMISMATCH;
            outcome.error = QStringLiteral("argument %1 (%2) has no automation type")
                                .arg(converted + 1).arg(QString::fromLatin1(arg.typeName()));
            break;
        }
    }
    if (outcome.ok()) {
        DISPID namedPut = DISPID_PROPERTYPUT;
        DISPPARAMS params = {};
        params.rgvarg = arguments.empty() ? nullptr : arguments.data();
        params.cArgs = UINT(count);
        if (put && count > 0) {
            params.rgdispidNamedArgs = &namedPut;
            params.cNamedArgs = 1;
        }
        EXCEPINFO info = {};
        UINT argumentError = 0;
        VariantInit(returned);
        outcome.result = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                          put ? nullptr : returned, &info, &argumentError);
        if (!outcome.ok())
            outcome.error = failureText(outcome.result, info, argumentError, count);
    }
    // Only the converted ones hold anything; the rest are still zeroed.
    for (int i = 0; i < converted; ++i)
        VariantClear(&arguments[size_t(count - 1 - i)]);
    return outcome;
}

bool isServerGone(HRESULT result)
{
    switch (result) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
        return true;
    default:
        // The RPC errors as HRESULTs: server unavailable, call failed (did
        // or did not execute).
        return result == HRESULT(0x800706BA) || result == HRESULT(0x800706BE)
            || result == HRESULT(0x800706BF);
    }
}
