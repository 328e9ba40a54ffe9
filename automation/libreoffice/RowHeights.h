#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>

// Whether the shown rows `top` to `bottom` (1-based) of `sheet` are all as
// high as the first of them. Moving or sorting rows leaves each row's height
// where it was, so a record kept from a taller row would land in a row of
// another height. Checked a few dozen rows at a time, by the height the
// office gives each stretch: a difference of a tenth of a point or more
// shows. Hidden rows are not weighed. Throws as UNO does.
bool shownRowsEquallyHigh(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int top, int bottom);
