#pragma once

#include <QString>

// Whether a formula in row `row` (1-based) of a block starting at `blockTop`
// says the same when its cell is copied to another row of the block as when
// the row is moved there by deleting the rows above it: every reference
// names a cell of its own sheet, either on its own row with the row relative
// (=$C5*2), or above the block with the row absolute (=D$2). Anything else
// (a sheet prefix, a name, a whole row, another record's row, a header row
// named relatively) gives no, as does text the office's syntax hides from
// this reading; constants (text not starting with "=") give yes.
bool formulaCopiesAsItMoves(const QString &formula, int row, int blockTop);
