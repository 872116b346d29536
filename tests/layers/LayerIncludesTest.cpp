// The layers' one-way dependencies: every quoted include under src/ and tools/ must reach a file
// of its own folder or of a folder that the layer table in src/README.md allows.

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TLayerTable {
    std::vector<std::string> Order;                       // folders, bottom up
    std::map<std::string, std::set<std::string>> Allowed; // folder -> folders it may include
    std::vector<std::string> Problems;                    // rows that break the table's own rule
};

// Rows look like "| `folder` | what it holds | `below`, `other` |".
TLayerTable ReadLayerTable(const fs::path& readme) {
    TLayerTable table;
    std::ifstream in(readme);
    const std::regex row(R"(^\| `([a-z/]+)` \|.*\|([^|]*)\|\s*$)");
    const std::regex name("`([a-z/]+)`");
    std::string line;
    while (std::getline(in, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, row)) continue;
        const std::string folder = match[1];
        const std::string uses = match[2];
        std::set<std::string>& allowed = table.Allowed[folder];
        for (std::sregex_iterator it(uses.begin(), uses.end(), name), end; it != end; ++it) {
            const std::string below = (*it)[1];
            if (std::find(table.Order.begin(), table.Order.end(), below) == table.Order.end())
                table.Problems.push_back("src/README.md: " + folder + " may include " + below +
                                         ", which is not listed above it");
            allowed.insert(below);
        }
        table.Order.push_back(folder);
    }
    return table;
}

// The folder a file of the tree belongs to: "recording" for src/recording/..., "tools/sim" for
// tools/sim/...; empty for a file outside both.
std::string FolderOf(const fs::path& relative) {
    auto part = relative.begin();
    if (part == relative.end()) return {};
    const std::string top = part->string();
    if (++part == relative.end() || std::next(part) == relative.end()) return {};
    if (top == "src") return part->string();
    if (top == "tools") return "tools/" + part->string();
    return {};
}

// The folder of the file an include names, as the compiler finds it: beside the including file
// first, then under src/ and tools/ (the include paths of the build).
std::string IncludedFolder(const fs::path& root, const fs::path& includer, const std::string& name) {
    const fs::path beside = (includer.parent_path() / name).lexically_normal();
    if (fs::exists(root / beside)) return FolderOf(beside);
    for (const char* top : {"src", "tools"}) {
        const fs::path found = fs::path(top) / name;
        if (fs::exists(root / found)) return FolderOf(found);
    }
    return {};
}

std::string Joined(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "nothing of the station" : text;
}

// Every include that runs against the table, as "file:line: what is wrong".
std::vector<std::string> LayerViolations(const fs::path& root) {
    const TLayerTable table = ReadLayerTable(root / "src/README.md");
    std::vector<std::string> violations = table.Problems;
    std::vector<fs::path> files;
    for (const char* top : {"src", "tools"})
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
                files.push_back(fs::relative(entry.path(), root));
        }
    std::sort(files.begin(), files.end());
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    for (const fs::path& file : files) {
        const std::string folder = FolderOf(file);
        const auto allowed = table.Allowed.find(folder);
        if (allowed == table.Allowed.end()) {
            violations.push_back(file.string() + ": its folder '" + folder +
                                 "' has no row in the layer table of src/README.md");
            continue;
        }
        std::ifstream in(root / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            const std::string name = match[1];
            const std::string target = IncludedFolder(root, file, name);
            const std::string where = file.string() + ":" + std::to_string(number) + ": ";
            if (target.empty())
                violations.push_back(where + "\"" + name + "\" is not a file of src/ or tools/");
            else if (target != folder && !allowed->second.count(target))
                violations.push_back(where + folder + " may not include \"" + name + "\" (" +
                                     target + "); it may include " + Joined(allowed->second));
        }
    }
    return violations;
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

}  // namespace

TEST(LayerIncludes, EveryIncludeOfTheTreeFollowsTheTableAndEveryFolderPointsToIt) {
    const fs::path root = ORVANT_SOURCE_DIR;
    const TLayerTable table = ReadLayerTable(root / "src/README.md");
    EXPECT_GE(table.Order.size(), 10u) << "the layer table of src/README.md was not found";

    const std::vector<std::string> violations = LayerViolations(root);
    std::ostringstream listed;
    for (const std::string& violation : violations) listed << violation << '\n';
    EXPECT_TRUE(violations.empty()) << listed.str();

    for (const std::string& folder : table.Order) {
        const fs::path readme =
            root / (folder.rfind("tools/", 0) == 0 ? folder : "src/" + folder) / "README.md";
        std::ifstream in(readme);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(text.find("src/README.md"), std::string::npos)
            << readme << " should point to the layer table in src/README.md";
    }
}

TEST(LayerIncludes, NamesEachUpwardSidewaysOrUnknownIncludeWithFileAndLine) {
    TTempDir tree;
    const fs::path root = tree.Path();
    WriteFile(root / "src/README.md",
              "| Folder | Holds | May include |\n"
              "|---|---|---|\n"
              "| `base` | helpers | |\n"
              "| `middle` | the core | `base` |\n"
              "| `top` | the program | `base`, `middle`, `later` |\n"
              "| `later` | listed after a folder that names it | `base` |\n"
              "| `tools/a` | a program | `base` |\n"
              "| `tools/b` | another | `base` |\n");
    WriteFile(root / "src/base/Text.h", "#pragma once\n");
    WriteFile(root / "src/middle/Core.h", "#pragma once\n#include \"base/Text.h\"\n");
    WriteFile(root / "src/middle/Core.cpp",
              "#include \"middle/Core.h\"\n#include \"Core.h\"\n\n#include \"top/Program.h\"\n");
    WriteFile(root / "src/top/Program.h",
              "#pragma once\n#include \"middle/Core.h\"\n#include \"../base/Text.h\"\n"
              "// #include \"missing/Gone.h\" is not compiled\n#include \"missing/Gone.h\"\n");
    WriteFile(root / "src/later/Late.h", "#pragma once\n");
    WriteFile(root / "src/stray/Stray.h", "#pragma once\n");
    WriteFile(root / "tools/a/CommandLine.h", "#pragma once\n");
    WriteFile(root / "tools/a/main.cpp", "#include \"a/CommandLine.h\"\n#include \"b/Options.h\"\n");
    WriteFile(root / "tools/b/Options.h", "#pragma once\n#include \"middle/Core.h\"\n");

    const std::vector<std::string> expected = {
        "src/README.md: top may include later, which is not listed above it",
        "src/middle/Core.cpp:4: middle may not include \"top/Program.h\" (top); it may include base",
        "src/stray/Stray.h: its folder 'stray' has no row in the layer table of src/README.md",
        "src/top/Program.h:5: \"missing/Gone.h\" is not a file of src/ or tools/",
        "tools/a/main.cpp:2: tools/a may not include \"b/Options.h\" (tools/b); it may include base",
        "tools/b/Options.h:2: tools/b may not include \"middle/Core.h\" (middle); it may include base",
    };
    EXPECT_EQ(LayerViolations(root), expected);
}
