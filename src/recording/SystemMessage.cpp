#include "recording/SystemMessage.h"

#include <string.h>

std::string SystemMessage(int errorCode) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in `buffer`.
    return strerror_r(errorCode, buffer, sizeof buffer);
}
