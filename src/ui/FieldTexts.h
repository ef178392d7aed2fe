#pragma once
#include "columns/FormatFields.h"

#include <QString>

// The format fields' captions and choices as the window shows them, in the
// operator's language. FormatFields keeps the German texts: they are data of
// the core, and a choice is stored as it is there ("links", "mitte",
// "rechts") whatever the window shows.
QString FieldCaption(const FieldDef &def);
QString ChoiceText(const QString &choice);
