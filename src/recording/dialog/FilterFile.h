#pragma once
// Filter-coefficient files (".filter"): an INI file with the section "Filter" and the keys
// "C0", "C1", ..., each holding a coefficient as typed, with "." as the decimal separator.
// The dialog's Load and Save buttons read and write them; no widgets here.

#include <string>
#include <vector>

// What a coefficient file gave: every text up to the first missing key (so a file with C0, C1
// and C3 gives two), and the first of them that is no number.
struct TFilterFileContents {
    std::vector<std::string> Texts;
    int FailedIndex = -1;
    std::string ConversionError;  // the conversion's own message, when FailedIndex >= 0
    // Why the file could not be read at all (missing, a folder, unreadable, not an INI file);
    // nothing was read then.
    std::string ReadError;

    bool Failed() const { return FailedIndex >= 0; }
};

TFilterFileContents ReadFilterFile(const std::string& path);

// Replaces the file whole by one holding exactly the section "Filter" with "C0" .. "C<n-1>" =
// texts (written beside it and renamed over it, so a failure leaves the old file as it was):
// nothing of an earlier, longer list or of another kind of file stays behind. Raises
// EInOutError with the system's reason, and std::invalid_argument for a text that a one-line
// INI value cannot hold (nothing is written then).
void WriteFilterFile(const std::string& path, const std::vector<std::string>& texts);
