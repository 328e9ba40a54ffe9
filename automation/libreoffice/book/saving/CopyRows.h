#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>

// How many rows a copy of a sheet has lost against its source: the copy
// lost rows of its source's records only, and what lies below them stays on
// every copy, so the difference of the last used rows tells it.
int rowsCopyLost(const css::uno::Reference<css::sheet::XSpreadsheet> &source,
                 const css::uno::Reference<css::sheet::XSpreadsheet> &copy);
