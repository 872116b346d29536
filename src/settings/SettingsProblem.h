#pragma once
// A settings value the station cannot use, or a name it does not know, given with its place in
// the file: the operator mends the file from the message alone, without guessing.

#include <stdexcept>
#include <string>
#include <vector>

struct TSettingsProblem {
    std::string Section;
    std::string Key;     // empty when the whole section is meant
    int Line = 0;        // 0 when the file does not hold it (a rule over several keys)
    std::string Text;    // what is wrong
    std::string Instead; // what a reader that goes on does instead ("the default 1 is used")

    // "line 3, [COMPortSettings] BaudRate: " followed by the text and, when asked, what is done
    // instead.
    std::string Describe(bool withInstead = true) const;
};

using TSettingsProblems = std::vector<TSettingsProblem>;

// Every problem described, one a line.
std::string DescribeAll(const TSettingsProblems& problems);

// Raised where settings problems end a reading (the window's restore); its text is DescribeAll.
class ESettingsProblems : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
