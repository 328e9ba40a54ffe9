#include "ComVariant.h"

#include "ComLog.h"
#include "ComSafeArray.h"
#include "OleDate.h"

#include <QDateTime>
#include <QStringList>

#include <limits>

namespace {

void setDouble(VARIANT *out, double value)
{
    out->vt = VT_R8;
    out->dblVal = value;
}

void setInteger(VARIANT *out, qlonglong value)
{
    // Servers take 32-bit integers everywhere; wider ones go as doubles.
    if (value < std::numeric_limits<LONG>::min() || value > std::numeric_limits<LONG>::max()) {
        setDouble(out, double(value));
        return;
    }
    out->vt = VT_I4;
    out->lVal = LONG(value);
}

bool setList(VARIANT *out, const QVariantList &list, const DispatchOf &dispatchOf)
{
    SAFEARRAY *array = toSafeArray(list, dispatchOf);
    if (!array)
        return false;
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = array;
    return true;
}

QVariant fromDispatch(IDispatch *dispatch, const WrapDispatch &wrap)
{
    return dispatch ? wrap(dispatch) : QVariant();
}

QVariant fromUnknown(IUnknown *unknown, const WrapDispatch &wrap)
{
    IDispatch *dispatch = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch))))
        return QVariant();
    const QVariant wrapped = wrap(dispatch);
    dispatch->Release();
    return wrapped;
}

} // namespace

BSTR toBstr(const QString &text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), UINT(text.size()));
}

QString fromBstr(BSTR text)
{
    return text ? QString::fromWCharArray(text, int(SysStringLen(text))) : QString();
}

bool toComVariant(const QVariant &value, VARIANT *out, const DispatchOf &dispatchOf, EmptyAs empty)
{
    VariantInit(out);
    if (!value.isValid()) {
        if (empty == EmptyAs::MissingArgument) {
            out->vt = VT_ERROR;
            out->scode = DISP_E_PARAMNOTFOUND;
        }
        return true;
    }
    if (IDispatch *dispatch = dispatchOf(value)) {
        out->vt = VT_DISPATCH;
        out->pdispVal = dispatch;
        return true;
    }
    switch (value.userType()) {
    case QMetaType::Bool:
        out->vt = VT_BOOL;
        out->boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
        setInteger(out, value.toLongLong());
        return true;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() > qulonglong(std::numeric_limits<LONG>::max()))
            setDouble(out, value.toDouble());
        else
            setInteger(out, value.toLongLong());
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        setDouble(out, value.toDouble());
        return true;
    case QMetaType::QDate:
        out->vt = VT_DATE;
        out->date = oleDateFromDateTime(QDateTime(value.toDate(), QTime(0, 0)));
        return true;
    case QMetaType::QDateTime:
        out->vt = VT_DATE;
        out->date = oleDateFromDateTime(value.toDateTime());
        return true;
    case QMetaType::QVariantList:
        return setList(out, value.toList(), dispatchOf);
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString &text : value.toStringList())
            list << text;
        return setList(out, list, dispatchOf);
    }
    default:
        break;
    }
    if (!value.canConvert<QString>()) {
        qCWarning(comLog, "No automation type for a value of type %s", value.typeName());
        return false;
    }
    out->vt = VT_BSTR;
    out->bstrVal = toBstr(value.toString());
    return true;
}

QVariant fromComVariant(const VARIANT &value, const WrapDispatch &wrap)
{
    if (value.vt & VT_ARRAY)
        return fromSafeArray((value.vt & VT_BYREF) ? *value.pparray : value.parray, wrap);
    if (value.vt == (VT_VARIANT | VT_BYREF))
        return value.pvarVal ? fromComVariant(*value.pvarVal, wrap) : QVariant();
    if (value.vt & VT_BYREF) {
        VARIANT direct;
        VariantInit(&direct);
        if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT *>(&value))))
            return QVariant();
        const QVariant result = fromComVariant(direct, wrap);
        VariantClear(&direct);
        return result;
    }
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return QVariant();
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_I1:
        return int(value.cVal);
    case VT_UI1:
        return int(value.bVal);
    case VT_I2:
        return int(value.iVal);
    case VT_UI2:
        return int(value.uiVal);
    case VT_I4:
        return int(value.lVal);
    case VT_INT:
        return int(value.intVal);
    case VT_UI4:
        return uint(value.ulVal);
    case VT_UINT:
        return uint(value.uintVal);
    case VT_I8:
        return qlonglong(value.llVal);
    case VT_UI8:
        return qulonglong(value.ullVal);
    case VT_R4:
        return double(value.fltVal);
    case VT_R8:
        return value.dblVal;
    case VT_CY:
        return double(value.cyVal.int64) / 10000.0;
    case VT_DECIMAL: {
        double number = 0;
        VarR8FromDec(const_cast<DECIMAL *>(&value.decVal), &number);
        return number;
    }
    case VT_DATE:
        return dateTimeFromOleDate(value.date);
    case VT_BSTR:
        return fromBstr(value.bstrVal);
    case VT_ERROR:
        // A cell error (#N/A, #REF!, ...) reads as its code.
        return value.scode == DISP_E_PARAMNOTFOUND ? QVariant() : QVariant(int(value.scode));
    case VT_DISPATCH:
        return fromDispatch(value.pdispVal, wrap);
    case VT_UNKNOWN:
        return fromUnknown(value.punkVal, wrap);
    default:
        qCWarning(comLog, "Unsupported automation type %u", unsigned(value.vt));
        return QVariant();
    }
}
