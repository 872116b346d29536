#pragma once
// The station's IAGA-2002 products: which files a run writes and the texts of their headers.
// The IAGA code is the INTERMAGNET IDC, kept with the INTERMAGNET header.

#include "settings/IagaHeader.h"

struct TIagaSettings {
    bool SecondFiles = false;  // one-second records, the samples themselves
    bool MinuteFiles = false;  // one-minute records, the filter's outputs on whole minutes
    TIagaHeader Header;

    bool operator==(const TIagaSettings&) const = default;
};
