#pragma once
#include "columns/FormatTable.h"

#include <QString>

// The column format document of a table: one record per row keyed by its
// record number, records back to back without a comma, every value a quoted
// string, `spalte` never written. The display program reads this text, so
// its exact form must not change. Moves the cursor (First ... Next), which
// posts a pending edit; afterwards the cursor is on the last row.
QString FormatTableToJson(FormatTable &table);
