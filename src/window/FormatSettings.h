#pragma once
// The station's fixed formats for the whole process: numbers and dates in English (United
// States) notation with "." as the decimal separator, whatever the computer's regional settings.
// The station's own number and date helpers never consult a locale; this makes sure that
// nothing else does either (Qt widgets, the chart library, the C library's printf family).

// Sets Qt's default locale to English (United States) without group separators and the C
// library's numeric and time categories to "C". Call it once the application object exists
// (its constructor adopts the environment's C locale) and before the first window is made.
void FormatSettingsEnglish();
