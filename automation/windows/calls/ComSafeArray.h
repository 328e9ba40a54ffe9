#pragma once

#include "ComVariant.h"

// SAFEARRAYs of VARIANT: a list of row lists is a two-dimensional array
// (rows first, as a range's Value has them, bounds from 1), any other list a
// one-dimensional one (bounds from 0).
SAFEARRAY *toSafeArray(const QVariantList &list, const DispatchOf &dispatchOf);
QVariant fromSafeArray(SAFEARRAY *array, const WrapDispatch &wrap);
