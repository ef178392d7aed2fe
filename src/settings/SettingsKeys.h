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

struct KeyInfo {
    Key key;
    const char *name;
    const char *defaultText;
    Conversion conversion;
};

constexpr std::array<KeyInfo, 23> kKeys = {{
    {Key::ZQHost, "ZQHost", "127.0.0.1", Conversion::None},
    {Key::ZQHostOLS, "ZQHostOLS", "nein", Conversion::Flag},
    {Key::ZQKundennummer, "ZQKundennummer", "", Conversion::None},
    {Key::ZQKDPasswort, "ZQKDPasswort", "", Conversion::None},
    {Key::ZQVAPasswort, "ZQVAPasswort", "", Conversion::None},
    {Key::ZQVANummer, "ZQVANummer", "auto", Conversion::None},
    {Key::VollBild, "VollBild", "ja", Conversion::Flag},
    {Key::AnzahlZeilen, "AnzahlZeilen", "20", Conversion::Integer},
    {Key::TimeoutleereZeile, "TimeoutleereZeile", "5", Conversion::Integer},
    {Key::HintergrundFarbe, "HintergrundFarbe", "#000000", Conversion::None},
    {Key::TimeoutLogo, "TimeoutLogo", "60", Conversion::Integer},
    {Key::TransparenzLogo, "TransparenzLogo", "80", Conversion::Integer},
    {Key::ZweiteZeileFarbe, "ZweiteZeileFarbe", "#000000", Conversion::None},
    {Key::InfoZeileFormat, "InfoZeileFormat", "", Conversion::Format},
    {Key::UeberschriftFormat, "UeberschriftFormat", "", Conversion::Format},
    {Key::SNRInfoFelderFormat, "SNRInfoFelderFormat", "", Conversion::Format},
    {Key::InfoZeile, "InfoZeile", "Startnr", Conversion::None},
    {Key::mitUeberschrift, "mitUeberschrift", "ja", Conversion::Flag},
    {Key::mitStartNrInfo, "mitStartNrInfo", "ja", Conversion::Flag},
    {Key::SNRInfoFelder, "SNRInfoFelder", "Startnr", Conversion::None},
    {Key::StartNrInFeld, "StartNrInFeld", "", Conversion::None},
    {Key::erstesEF, "erstesEF", "-1", Conversion::Integer},
    {Key::letztesEF, "letztesEF", "-1", Conversion::Integer},
}};

constexpr const KeyInfo &keyInfo(Key key)
{
    return kKeys[static_cast<size_t>(key)];
}
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
