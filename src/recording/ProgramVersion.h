#pragma once
// The program's name and version as files written by the station name it: "orvant3k 0.1.0".

#include <string>

std::string ProgramNameAndVersion();
