#include "settings/SettingsProblem.h"

std::string TSettingsProblem::Describe(bool withInstead) const {
    std::string text;
    if (Line > 0) text = "line " + std::to_string(Line) + ", ";
    text += "[" + Section + "]";
    if (!Key.empty()) text += " " + Key;
    text += ": " + Text;
    if (withInstead && !Instead.empty()) text += "; " + Instead;
    return text;
}

std::string DescribeAll(const TSettingsProblems& problems) {
    std::string text;
    for (const TSettingsProblem& problem : problems) {
        if (!text.empty()) text += '\n';
        text += problem.Describe();
    }
    return text;
}
