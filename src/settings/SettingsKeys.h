#pragma once
#include <QString>

#include <array>

// The 23 keys of section "Optionen", in the order the save writes them.
// Load and save both go through this table, so no key is spelled twice.
enum class Key {
    ZQHost,
    ZQHostOLS,
    ZQKundennummer,
    ZQKDPasswort,
    ZQVAPasswort,
    ZQVANummer,
    VollBild,
    AnzahlZeilen,
    TimeoutleereZeile,
    HintergrundFarbe,
    TimeoutLogo,
    TransparenzLogo,
    ZweiteZeileFarbe,
    InfoZeileFormat,
    UeberschriftFormat,
    SNRInfoFelderFormat,
    InfoZeile,
    mitUeberschrift,
    mitStartNrInfo,
    SNRInfoFelder,
    StartNrInFeld,
    erstesEF,
    letztesEF,
};

enum class Conversion {
    None,    // text as stored
    Flag,    // "ja"/"nein", read with the flag rule
    Integer, // ParseIntOrDefault with the default, shown in decimal
    Format,  // a column format document
};

// Which values a layout file carries: the look, not the connection.
enum class Carried {
    SettingsOnly,
    InLayout,
};

struct KeyInfo {
    Key key;
    const char *name;
    const char *defaultText;
    Conversion conversion;
    Carried carried;
};

constexpr std::array<KeyInfo, 23> kKeys = {{
    {Key::ZQHost, "ZQHost", "127.0.0.1", Conversion::None, Carried::SettingsOnly},
    {Key::ZQHostOLS, "ZQHostOLS", "nein", Conversion::Flag, Carried::SettingsOnly},
    {Key::ZQKundennummer, "ZQKundennummer", "", Conversion::None, Carried::SettingsOnly},
    {Key::ZQKDPasswort, "ZQKDPasswort", "", Conversion::None, Carried::SettingsOnly},
    {Key::ZQVAPasswort, "ZQVAPasswort", "", Conversion::None, Carried::SettingsOnly},
    {Key::ZQVANummer, "ZQVANummer", "auto", Conversion::None, Carried::SettingsOnly},
    {Key::VollBild, "VollBild", "ja", Conversion::Flag, Carried::InLayout},
    {Key::AnzahlZeilen, "AnzahlZeilen", "20", Conversion::Integer, Carried::InLayout},
    {Key::TimeoutleereZeile, "TimeoutleereZeile", "5", Conversion::Integer, Carried::InLayout},
    {Key::HintergrundFarbe, "HintergrundFarbe", "#000000", Conversion::None, Carried::InLayout},
    {Key::TimeoutLogo, "TimeoutLogo", "60", Conversion::Integer, Carried::InLayout},
    {Key::TransparenzLogo, "TransparenzLogo", "80", Conversion::Integer, Carried::InLayout},
    {Key::ZweiteZeileFarbe, "ZweiteZeileFarbe", "#000000", Conversion::None, Carried::InLayout},
    {Key::InfoZeileFormat, "InfoZeileFormat", "", Conversion::Format, Carried::InLayout},
    {Key::UeberschriftFormat, "UeberschriftFormat", "", Conversion::Format, Carried::InLayout},
    {Key::SNRInfoFelderFormat, "SNRInfoFelderFormat", "", Conversion::Format, Carried::InLayout},
    {Key::InfoZeile, "InfoZeile", "Startnr", Conversion::None, Carried::InLayout},
    {Key::mitUeberschrift, "mitUeberschrift", "ja", Conversion::Flag, Carried::InLayout},
    {Key::mitStartNrInfo, "mitStartNrInfo", "ja", Conversion::Flag, Carried::InLayout},
    {Key::SNRInfoFelder, "SNRInfoFelder", "Startnr", Conversion::None, Carried::InLayout},
    {Key::StartNrInFeld, "StartNrInFeld", "", Conversion::None, Carried::InLayout},
    {Key::erstesEF, "erstesEF", "-1", Conversion::Integer, Carried::InLayout},
    {Key::letztesEF, "letztesEF", "-1", Conversion::Integer, Carried::InLayout},
}};

// The table is indexed by Key: each row sits at its key's place.
constexpr bool KeysInEnumOrder()
{
    for (size_t i = 0; i < kKeys.size(); ++i) {
        if (static_cast<size_t>(kKeys[i].key) != i)
            return false;
    }
    return true;
}
static_assert(KeysInEnumOrder(), "kKeys must list the keys in the order of enum Key");
static_assert(static_cast<size_t>(Key::letztesEF) + 1 == kKeys.size(), "every Key has its row in kKeys");

constexpr const KeyInfo &keyInfo(Key key)
{
    return kKeys[static_cast<size_t>(key)];
}
constexpr bool IsLayoutKey(Key key)
{
    return keyInfo(key).carried == Carried::InLayout;
}
constexpr size_t LayoutKeyCount()
{
    size_t n = 0;
    for (const KeyInfo &info : kKeys)
        n += info.carried == Carried::InLayout ? 1 : 0;
    return n;
}
// The keys a layout carries, in key-table order.
constexpr std::array<Key, LayoutKeyCount()> LayoutKeys()
{
    std::array<Key, LayoutKeyCount()> keys{};
    size_t n = 0;
    for (const KeyInfo &info : kKeys) {
        if (info.carried == Carried::InLayout)
            keys[n++] = info.key;
    }
    return keys;
}
inline constexpr std::array<Key, LayoutKeyCount()> kLayoutKeys = LayoutKeys();

// The three column format keys, in the order detection line, heading row,
// start-number info.
inline constexpr std::array<Key, 3> kFormatKeys = {Key::InfoZeileFormat, Key::UeberschriftFormat,
                                                   Key::SNRInfoFelderFormat};
inline QString keyName(Key key)
{
    return QString::fromLatin1(keyInfo(key).name);
}
inline QString keyDefault(Key key)
{
    return QString::fromLatin1(keyInfo(key).defaultText);
}
// Passwords: their values are never shown outside their masked fields.
constexpr bool keyIsSecret(Key key)
{
    return key == Key::ZQKDPasswort || key == Key::ZQVAPasswort;
}

class OptionReader;

// Reads with the key's default and conversion: the text a control receives.
// Integer keys come back in decimal form («$1F» gives «31»), flags as
// "ja"/"nein" are not converted here (use readFlag).
QString readText(const OptionReader &file, Key key);
bool readFlag(const OptionReader &file, Key key);
int readInteger(const OptionReader &file, Key key);
