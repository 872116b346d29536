#include "settings/RecentFiles.h"

#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <algorithm>

namespace Keys = SettingsKeys::RecentFiles;

static_assert(TRecentFiles::MaxCount == Keys::MaxItems);

bool TRecentFiles::Contains(const std::string& name) const {
    return std::find(FNames.begin(), FNames.end(), name) != FNames.end();
}

void TRecentFiles::Add(const std::string& name) {
    if (name.empty())
        return;
    if (!FNames.empty() && FNames.front() == name)
        return;
    const auto found = std::find(FNames.begin(), FNames.end(), name);
    if (found != FNames.end())
        FNames.erase(found);
    FNames.insert(FNames.begin(), name);
    if (FNames.size() > MaxCount)
        FNames.resize(MaxCount);
    Changed();
}

bool TRecentFiles::Remove(const std::string& name) {
    const auto found = std::find(FNames.begin(), FNames.end(), name);
    if (found == FNames.end())
        return false;
    FNames.erase(found);
    Changed();
    return true;
}

void TRecentFiles::Clear() {
    if (FNames.empty())
        return;
    FNames.clear();
    Changed();
}

void TRecentFiles::Load(const TProfileFile& file) {
    std::vector<std::string> names;
    for (int item = static_cast<int>(MaxCount) - 1; item >= 0; --item) {
        const std::string name = file.ReadString(Keys::Section, Keys::ItemKey(item), "");
        if (name.empty())
            continue;
        // A hand-edited file may list a name twice: the newer place wins.
        std::erase(names, name);
        names.insert(names.begin(), name);
    }
    if (names == FNames)
        return;
    FNames = std::move(names);
    Changed();
}

void TRecentFiles::Save(TProfileFile& file) const {
    TProfileUpdate update(file);
    file.EraseSection(Keys::Section);
    int item = 0;
    for (const std::string& name : FNames) {
        if (name.find_first_of("\r\n") != std::string::npos)
            continue;
        file.WriteString(Keys::Section, Keys::ItemKey(item++), name);
    }
    update.Commit();
}

void TRecentFiles::Changed() const {
    if (FChanged)
        FChanged();
}
