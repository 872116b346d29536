#include "window/FormatSettings.h"

#include <QLocale>

#include <clocale>

void FormatSettingsEnglish() {
    // Qt cannot replace single separators of a locale; English (United States) already has "."
    // for decimals, and the group separator (a comma there) is left out of every number text.
    QLocale english(QLocale::English, QLocale::UnitedStates);
    english.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    QLocale::setDefault(english);
    // The application object adopted the environment's locale for the C library; a regional
    // decimal comma there would reach any library that formats through printf.
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
    std::setlocale(LC_MONETARY, "C");
}
