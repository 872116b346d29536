#pragma once
// An ImagCDF or other CDF file as Debian's Java CDF reader (libjcdf-java) lists it: an
// independent reading of what the station wrote.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// What the Java reader lists of a file: global attributes with their entries, and per variable
// its attribute entries and its records, as printed.
struct TListing {
    std::map<std::string, std::vector<std::string>> Globals;
    std::map<std::string, std::map<std::string, std::string>> Attributes;
    std::map<std::string, std::vector<std::string>> Records;
    std::string Errors;
};

inline TListing ListWithJavaReader(const std::string& file) {
    const std::string errors = file + ".stderr";
    const std::string command = "java -cp /usr/share/java/jcdf.jar uk.ac.bristol.star.cdf.util.CdfList -data '" +
                                file + "' 2>'" + errors + "'";
    TListing listing;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return listing;
    std::string output;
    char buffer[65536];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, read);
    const int status = pclose(pipe);
    std::ifstream errorStream(errors);
    listing.Errors = std::string(std::istreambuf_iterator<char>(errorStream), {});
    if (status != 0) listing.Errors += "\nthe reader exited with status " + std::to_string(status);

    std::istringstream lines(output);
    std::string line, global, variable;
    bool inGlobals = false;
    while (std::getline(lines, line)) {
        if (line == "Global Attributes") {
            inGlobals = true;
        } else if (line.rfind("Variable ", 0) == 0) {
            inGlobals = false;
            const std::size_t start = line.find(": ") + 2;
            variable = line.substr(start, line.find(' ', start) - start);
        } else if (inGlobals && line.rfind("        ", 0) == 0) {
            listing.Globals[global].push_back(line.substr(8));
        } else if (inGlobals && line.rfind("    ", 0) == 0) {
            global = line.substr(4);
        } else if (!variable.empty() && line.find(":\t") != std::string::npos) {
            const std::size_t colon = line.find(":\t");
            const std::string key = line.substr(line.find_first_not_of(' '), colon - line.find_first_not_of(' '));
            const std::string value = line.substr(colon + 2);
            if (!key.empty() && std::isdigit(static_cast<unsigned char>(key[0])))
                listing.Records[variable].push_back(value);
            else
                listing.Attributes[variable][key] = value;
        }
    }
    return listing;
}

