#include "ComSafeArray.h"

#include "ComLog.h"

#include <cstring>

// The elements of a SAFEARRAY lie with the first index changing fastest
// (column-major, as in Visual Basic): element (r, c) of a two-dimensional
// array is at (r - lower1) + (c - lower2) * rows.

namespace {

bool isTable(const QVariantList &list)
{
    if (list.isEmpty())
        return false;
    for (const QVariant &row : list) {
        if (row.userType() != QMetaType::QVariantList)
            return false;
    }
    return true;
}

struct Bounds
{
    LONG lower = 0;
    LONG count = 0;
};

Bounds boundsOf(SAFEARRAY *array, UINT dimension)
{
    Bounds bounds;
    LONG upper = -1;
    if (SUCCEEDED(SafeArrayGetLBound(array, dimension, &bounds.lower))
        && SUCCEEDED(SafeArrayGetUBound(array, dimension, &upper)))
        bounds.count = upper >= bounds.lower ? upper - bounds.lower + 1 : 0;
    return bounds;
}

// One element read from the array's memory. Arrays of plain types keep the
// bare value; it is put into a VARIANT's value field without copying what it
// points to, so nothing here is freed.
QVariant element(const char *data, LONG index, VARTYPE type, UINT size, const WrapDispatch &wrap)
{
    if (type == VT_VARIANT)
        return fromComVariant(reinterpret_cast<const VARIANT *>(data)[index], wrap);
    VARIANT bare;
    VariantInit(&bare);
    bare.vt = type;
    std::memcpy(&bare.llVal, data + size_t(index) * size, size);
    return fromComVariant(bare, wrap);
}

bool readable(VARTYPE type, UINT size)
{
    return type == VT_VARIANT || (type != VT_DECIMAL && type != VT_RECORD && size <= sizeof(LONGLONG));
}

// Writes every cell through `fill` (false stops); the array is destroyed
// when a cell cannot be written.
template<typename Fill>
SAFEARRAY *filled(SAFEARRAY *array, Fill fill)
{
    if (!array)
        return nullptr;
    VARIANT *cells = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void **>(&cells)))) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    const bool ok = fill(cells);
    SafeArrayUnaccessData(array);
    if (!ok) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    return array;
}

SAFEARRAY *tableArray(const QVariantList &rows, const DispatchOf &dispatchOf)
{
    LONG columns = 0;
    for (const QVariant &row : rows)
        columns = qMax(columns, LONG(row.toList().size()));
    SAFEARRAYBOUND bounds[2];
    bounds[0].lLbound = 1;
    bounds[0].cElements = ULONG(rows.size());
    bounds[1].lLbound = 1;
    bounds[1].cElements = ULONG(columns);
    return filled(SafeArrayCreate(VT_VARIANT, 2, bounds), [&](VARIANT *cells) {
        for (int r = 0; r < rows.size(); ++r) {
            const QVariantList row = rows.at(r).toList();
            for (int c = 0; c < row.size(); ++c) {
                if (!toComVariant(row.at(c), &cells[r + size_t(c) * rows.size()], dispatchOf))
                    return false;
            }
        }
        return true;
    });
}

SAFEARRAY *vectorArray(const QVariantList &list, const DispatchOf &dispatchOf)
{
    return filled(SafeArrayCreateVector(VT_VARIANT, 0, ULONG(list.size())), [&](VARIANT *cells) {
        for (int i = 0; i < list.size(); ++i) {
            if (!toComVariant(list.at(i), &cells[i], dispatchOf))
                return false;
        }
        return true;
    });
}

} // namespace

SAFEARRAY *toSafeArray(const QVariantList &list, const DispatchOf &dispatchOf)
{
    return isTable(list) ? tableArray(list, dispatchOf) : vectorArray(list, dispatchOf);
}

QVariant fromSafeArray(SAFEARRAY *array, const WrapDispatch &wrap)
{
    if (!array)
        return QVariant();
    const UINT dimensions = SafeArrayGetDim(array);
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type)))
        type = (array->fFeatures & FADF_VARIANT) ? VT_VARIANT : VT_EMPTY;
    const UINT size = SafeArrayGetElemsize(array);
    if ((dimensions != 1 && dimensions != 2) || !readable(type, size)) {
        qCWarning(comLog, "Unsupported array: %u dimensions of type %u", dimensions, unsigned(type));
        return QVariant();
    }
    const char *data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void **>(const_cast<char **>(&data)))))
        return QVariant();
    QVariantList result;
    const Bounds first = boundsOf(array, 1);
    if (dimensions == 1) {
        for (LONG i = 0; i < first.count; ++i)
            result << element(data, i, type, size, wrap);
    } else {
        const Bounds second = boundsOf(array, 2);
        for (LONG r = 0; r < first.count; ++r) {
            QVariantList row;
            for (LONG c = 0; c < second.count; ++c)
                row << element(data, r + c * first.count, type, size, wrap);
            result << QVariant(row);
        }
    }
    SafeArrayUnaccessData(array);
    return result;
}
