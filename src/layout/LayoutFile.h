#pragma once
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

// A layout is the look of the display: the settings of the pages
// "Darstellung", "Überschrift" and "Startnummern Info", and optionally the
// logo. The connection settings (server, customer number, passwords) never
// belong to one, so a layout file can be handed on without them.

// The layout keys (kLayoutKeys, IsLayoutKey) are a column of the key table.
static_assert(kLayoutKeys.size() == 17, "a layout carries the 17 look values");

struct Layout {
    QString name;
    QDateTime created; // UTC
    // The 17 values in kLayoutKeys order, as the settings file holds them.
    std::vector<std::pair<Key, QString>> values;
    QByteArray logoPng; // empty: none
};

inline constexpr const char *kLayoutSuffix = ".vadlayout";
// What the file says it is, and the newest version this program reads.
inline constexpr const char *kLayoutFormatMarker = "VADaroradarAdadad-Layout";
inline constexpr int kLayoutVersion = 1;
// The largest logo file a layout may carry: the largest logo.png the logo
// preview reads.
qint64 LayoutLogoBudget();
// The largest layout file read: the logo in base64 plus room for the values.
qint64 LayoutFileBudget();

// UTF-8 JSON: marker, version, name, creation time (ISO 8601 UTC), the 17
// values under their key names, the logo in base64 when there is one.
QByteArray LayoutToJson(const Layout &layout);
// Throws Failure with a German message naming the fault: not a layout file,
// a newer version, a key missing or unknown, a value with CR, LF or NUL, a
// column format the format reader refuses, a logo that is no decodable PNG
// or is larger than the logo budget.
Layout LayoutFromJson(QByteArrayView bytes);
// Refuses directories, FIFOs, devices (a symlink to one too), empty files
// and files over LayoutFileBudget() before reading them; then
// LayoutFromJson. Throws Failure.
Layout ReadLayoutFile(const QString &path);
// Replaces the file in one step: a reader sees the old or the new file.
void WriteLayoutFile(const QString &path, const Layout &layout);

// Writes a layout's logo as the logo file, replacing it in one step; false
// when the file held exactly these bytes already (nothing written).
bool WriteLogoFile(const QString &path, const QByteArray &png);
// Whether WriteLogoFile would write: the file is missing or holds other bytes.
bool LogoFileWouldChange(const QString &path, const QByteArray &png);

// The value of one key; the key table's default when the layout lacks it.
QString LayoutValue(const Layout &layout, Key key);
// The layout's values as a settings file holding them reads them (trimmed
// like every stored value), for the load sequence.
SettingsSnapshot LayoutAsSettings(const Layout &layout);

// The folder of the operator's named layouts, one file each:
// $XDG_DATA_HOME/VADaroradarAdadad/layouts (not created here).
QString LayoutFolder();
// The layout files in `folder`, sorted by name without regard to case.
QStringList LayoutFilesIn(const QString &folder);
// A logo file to carry in a layout: a regular file within the logo budget
// that decodes as PNG. Throws Failure.
QByteArray ReadLogoForLayout(const QString &path);

// The layouts that come with the program: "Standard" (the key table's
// defaults) first.
std::vector<Layout> BuiltInLayouts();
