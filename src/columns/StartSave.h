#pragma once
#include "settings/SettingsKeys.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class OptionReader;
class OptionWriter;

// The 23 values of a save, in the order the save writes them.
using SaveValues = std::vector<std::pair<Key, QString>>;

struct StartSave {
    SaveValues values;
    // Stored column formats the reader refused: a save keeps them as stored.
    std::vector<Key> unreadableFormats;
    // "Fehler bei ZeilenFormat ..." for records whose row could not be stored.
    QStringList rowMessages;
};

// Texts the operator puts into the controls after the start, each as the
// control holds it: flags as "ja"/"nein", the transparency as its decimal
// position. A formula line runs the synchronisation of its tables as typing
// it does. Column formats cannot be typed: they come from the file.
using TypedValues = std::vector<std::pair<Key, QString>>;

// What the window's save writes when it runs after the start on a file that
// `file` reads and the operator has typed `typed`, without a window: the load
// sequence's conversions (integers in decimal, flags as "ja"/"nein", the
// transparency within 0 to 255) and the column formats loaded, synchronised
// with their formula lines and written back as the save writes them. Tools
// that change the settings without the window store what the window would.
StartSave ValuesAfterStart(const OptionReader &file, const TypedValues &typed = {});

// The writes of a save, one per value, in their order.
void WriteSaveValues(OptionWriter &out, const SaveValues &values);
