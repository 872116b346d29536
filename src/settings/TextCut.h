#pragma once
// Cutting UTF-8 texts to a number of characters, as the fixed-width fields of the settings and
// the file headers count them.

#include <cstddef>
#include <string>
#include <string_view>

// The first `maxLength` characters of a UTF-8 text. Characters, not bytes, are counted, so a
// cut never splits a character into invalid bytes.
std::string CutToLength(std::string_view text, std::size_t maxLength);
