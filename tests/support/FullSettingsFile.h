#pragma once
#include <QByteArray>

#include <initializer_list>
#include <utility>

// A settings file as a save writes it: section "Optionen" with all 23 keys
// in their order, CR LF line ends and the blank line after the section.
// Keys not named in `values` hold what a save writes for a start without a
// file (the defaults, and one blank row per column format).
inline QByteArray FullSettingsFile(std::initializer_list<std::pair<const char *, const char *>> values = {})
{
    static const std::pair<const char *, const char *> kDefaults[] = {
        {"ZQHost", "127.0.0.1"},
        {"ZQHostOLS", "nein"},
        {"ZQKundennummer", ""},
        {"ZQKDPasswort", ""},
        {"ZQVAPasswort", ""},
        {"ZQVANummer", "auto"},
        {"VollBild", "ja"},
        {"AnzahlZeilen", "20"},
        {"TimeoutleereZeile", "5"},
        {"HintergrundFarbe", "#000000"},
        {"TimeoutLogo", "60"},
        {"TransparenzLogo", "80"},
        {"ZweiteZeileFarbe", "#000000"},
        {"InfoZeileFormat", "{\"1\":{\"schriftname\":\"1\",\"schriftgroesse\":\"\",\"farbe\":\"\","
                            "\"fett\":\"false\",\"ausrichtung\":\"\",\"anzahlzeichen\":\"\"}}"},
        {"UeberschriftFormat", "{\"1\":{\"schriftname\":\"1\",\"schriftgroesse\":\"\",\"farbe\":\"\","
                               "\"fett\":\"false\",\"text\":\"\"}}"},
        {"SNRInfoFelderFormat", "{\"1\":{\"schriftname\":\"1\",\"schriftgroesse\":\"\",\"farbe\":\"\","
                                "\"fett\":\"false\"}}"},
        {"InfoZeile", "Startnr"},
        {"mitUeberschrift", "ja"},
        {"mitStartNrInfo", "ja"},
        {"SNRInfoFelder", "Startnr"},
        {"StartNrInFeld", ""},
        {"erstesEF", "-1"},
        {"letztesEF", "-1"},
    };
    QByteArray file = "[Optionen]\r\n";
    for (const auto &[key, def] : kDefaults) {
        const char *value = def;
        for (const auto &[k, v] : values) {
            if (QByteArray(k) == key)
                value = v;
        }
        file += QByteArray(key) + '=' + value + "\r\n";
    }
    return file + "\r\n";
}
