#pragma once
#include <QLocale>
#include <QStringList>

// The window speaks German, its own language, unless the desktop asks for
// English. Stored values are data and never follow this choice.
enum class InterfaceLanguage { German, English };

// English when the first of the desktop's interface languages is English
// ("en", "en-GB", ...); German for every other language and when none is set.
// The locale "C" (and "POSIX", which Qt names "C") chooses no language, as
// gettext ignores LANGUAGE there: German even if LANGUAGE says English.
InterfaceLanguage InterfaceLanguageFor(const QLocale &system, const QStringList &uiLanguages);

// The choice for QLocale::system(), as Qt reads LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG.
InterfaceLanguage SystemInterfaceLanguage();
