#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TProfileFile;

// The list of recently viewed data files: full names, newest first, at most MaxCount, each
// name once (names compare as exact texts). Kept in the settings file under
// "TOstrelMainForm.MRU_DATA" as "Item_0" (the newest) to "Item_9".
// Thread rule: user-interface thread only.
class TRecentFiles {
public:
    static constexpr std::size_t MaxCount = 10;

    const std::vector<std::string>& Names() const { return FNames; }
    bool Empty() const { return FNames.empty(); }
    std::size_t Count() const { return FNames.size(); }
    bool Contains(const std::string& name) const;

    // Puts the name on top: a name already listed moves there, a new one pushes the oldest
    // out when the list is full. An empty name is ignored.
    void Add(const std::string& name);
    // False when the name was not listed.
    bool Remove(const std::string& name);
    void Clear();

    // Rebuilds the list from the settings file: "Item_9" down to "Item_0", each non-empty one
    // put on top, so the stored order comes back.
    void Load(const TProfileFile& file);
    // Erases the section and writes the list again, "Item_0" the newest, in one pass of the
    // file. A name the file cannot hold (one with a line break in it) is left out.
    void Save(TProfileFile& file) const;

    // Called after every change of the list (the menu rebuilds itself from it).
    void SetChangeHandler(std::function<void()> handler) { FChanged = std::move(handler); }

private:
    void Changed() const;

    std::vector<std::string> FNames;
    std::function<void()> FChanged;
};
