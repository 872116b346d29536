#pragma once
// Filter-coefficient files (".filter"): an INI file with the section "Filter" and the keys
// "C0", "C1", ..., each holding a coefficient as typed, with "." as the decimal separator.
// The dialog's Load and Save buttons read and write them; no widgets here.

#include <string>
#include <vector>

// What a coefficient file gave. Reading stops at the first missing key, so a file with C0, C1
// and C3 gives two coefficients, or at the first text that is no number: that key's text is
// then the last of Texts, its value 0 the last of Values, and FailedIndex names it.
struct TFilterFileContents {
    std::vector<std::string> Texts;
    std::vector<double> Values;
    int FailedIndex = -1;
    std::string ConversionError;  // the conversion's own message, when FailedIndex >= 0
    // Why the file could not be read at all (missing, a folder, unreadable, not an INI file);
    // nothing was read then.
    std::string ReadError;

    bool Failed() const { return FailedIndex >= 0; }
};

TFilterFileContents ReadFilterFile(const std::string& path);

// Writes "C<i>" = texts[i] into section "Filter" of the file, creating it when missing. Keys
// already there are overwritten; higher keys left from a longer list stay. The file is written
// once, at the end. Raises EInOutError when the file cannot be written (or exists but cannot be
// read, so that it is never written over blindly) and std::invalid_argument for a text that a
// one-line INI value cannot hold.
void WriteFilterFile(const std::string& path, const std::vector<std::string>& texts);
