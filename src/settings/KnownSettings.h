#pragma once
// The names the station knows in its settings file. A key under a section it does not belong
// to is ignored by every reader, so a section line left commented out (its keys then fall into
// the section above) would silently switch a product off; these checks say so.

#include "settings/SettingsProblem.h"

class TProfileFile;

// Every section and key of the file that no part of the station reads, with its line: one
// problem a section for an unknown section (its keys not listed again), one a key otherwise.
TSettingsProblems UnknownSettings(const TProfileFile& file);
