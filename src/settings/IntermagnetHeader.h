#pragma once
// The six header texts of the INTERMAGNET files, as the user enters them and the settings file
// keeps them. Each has a fixed width in the file format, so each is cut to its maximum length.

#include "settings/TextCut.h"

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t IDCMaxLength = 3;
inline constexpr std::size_t COMPMaxLength = 4;
inline constexpr std::size_t GINMaxLength = 3;
inline constexpr std::size_t COLAMaxLength = 4;
inline constexpr std::size_t LONGMaxLength = 4;
inline constexpr std::size_t DECBASMaxLength = 6;

// Before any settings are read each text is its own field name, as on a first run.
struct TIntermagnetHeader {
    std::string IDC = "IDC";        // station code
    std::string COMP = "COMP";      // components
    std::string GIN = "GIN";        // data centre
    std::string COLA = "COLA";      // colatitude
    std::string LONG = "LONG";      // longitude
    std::string DECBAS = "DECBAS";  // declination base

    bool operator==(const TIntermagnetHeader&) const = default;
};

// Every text cut to its maximum length.
TIntermagnetHeader CutToSize(const TIntermagnetHeader& header);

// The component orders the INTERMAGNET writer supports, as COMP names them.
inline constexpr const char* IntermagnetComponentSets[] = {"XYZF", "HDZF"};

// The header texts that cannot be written into the fixed columns of an INTERMAGNET header, or
// that are still the field names a first run starts with: IDC and GIN must be one to three
// letters or digits and not "IDC" or "GIN", COMP one of IntermagnetComponentSets, COLA and LONG
// one to four digits, DECBAS one to six digits (ASCII only; the writer pads the numbers with
// zeros). Every failing field is named at once, so that one look at the message mends them all.
struct TIntermagnetHeaderProblem {
    std::string Field;  // the first failing field, "IDC" .. "DECBAS"; empty when all are fine
    std::string Text;   // each failing field with the form it needs and the text it holds, "; "
    explicit operator bool() const { return !Field.empty(); }
};
TIntermagnetHeaderProblem CheckIntermagnetHeader(const TIntermagnetHeader& header);
