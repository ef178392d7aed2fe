#pragma once
#include "columns/FormatTable.h"

// Explicit commits of panel edits (leaving the page control, leaving the
// heading page, saving): only a table in edit state is posted; a new row in
// insert state is left for the next cursor move to settle.
inline void PostIfEditing(FormatTable &table)
{
    if (table.State() == TableState::Edit)
        table.Post();
}

// Before saving: the heading table, the detection table, the start-number
// info table, in this order.
inline void CommitPendingEditsForSave(FormatTable &ueberschrift, FormatTable &spalten, FormatTable &snrInfo)
{
    PostIfEditing(ueberschrift);
    PostIfEditing(spalten);
    PostIfEditing(snrInfo);
}
