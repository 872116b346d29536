#pragma once
// Section and key names of the settings file match without regard to ASCII letter case, as the
// INI reader matches them; whoever compares names compares them the same way.

#include <string_view>

bool SameNameIgnoringCase(std::string_view a, std::string_view b);
