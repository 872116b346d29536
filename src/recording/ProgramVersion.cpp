#include "recording/ProgramVersion.h"

std::string ProgramNameAndVersion() { return std::string("orvant3k ") + ORVANT_VERSION; }
