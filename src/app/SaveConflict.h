#pragma once
#include "settings/SettingsKeys.h"

#include <QString>

#include <vector>

class OptionReader;

// A key another program changed in the settings file since the editor loaded
// it: its stored text as read at the start and as the save reads it now.
struct DiskChange {
    Key key;
    QString loaded;
    QString now;
    // The operator changed the key too; `window` is what the save writes.
    bool changedInWindow = false;
    QString window;
};
using DiskChanges = std::vector<DiskChange>;

// The keys whose stored texts differ between the two readings, each read
// with its default as the start reads it, in the order of the save.
DiskChanges FindDiskChanges(const OptionReader &loaded, const OptionReader &now);
// Whether two findings name the same keys with the same new texts: an answer
// given to one holds for the other.
bool SameDiskChanges(const DiskChanges &a, const DiskChanges &b);

// The question a save asks then, and the list of changes shown with it: old
// and new values, passwords only named.
QString FileChangedQuestion();
QString DescribeDiskChanges(const DiskChanges &changes);
