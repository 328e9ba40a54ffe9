#pragma once

#include <QVariant>

#include <functional>

#include <oaidl.h>

// Conversion between Qt's variants and automation VARIANTs.
//
//   int, bool, double, QString     VT_I4, VT_BOOL, VT_R8, VT_BSTR
//   QDate, QDateTime               VT_DATE (read back as QDateTime)
//   invalid                        VT_EMPTY, or a missing optional argument
//   list of row lists              two-dimensional SAFEARRAY of VARIANT
//   other lists                    one-dimensional SAFEARRAY of VARIANT
//   an object (asVariant())        VT_DISPATCH
//
// The caller owns what toComVariant() writes and clears it with VariantClear.

// The IDispatch of an object variant, with a reference added; null when the
// variant is no object of this backend.
using DispatchOf = std::function<IDispatch *(const QVariant &value)>;
// An object the server handed out, wrapped as a variant (the wrapper adds
// its own reference).
using WrapDispatch = std::function<QVariant(IDispatch *dispatch)>;

enum class EmptyAs { Empty, MissingArgument };

BSTR toBstr(const QString &text);
QString fromBstr(BSTR text);

bool toComVariant(const QVariant &value, VARIANT *out, const DispatchOf &dispatchOf,
                  EmptyAs empty = EmptyAs::Empty);
QVariant fromComVariant(const VARIANT &value, const WrapDispatch &wrap);
