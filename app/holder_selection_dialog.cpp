#include "app/holder_selection_dialog.h"

#include <cstring>

#include "core/settings.h"
#include "core/utilities.h"

bool StoreFolder(const std::string& folder, char* field, std::size_t capacity) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    if (path.size() + 1 > capacity) return false;
    std::memset(field, 0, capacity);
    std::memcpy(field, path.data(), path.size());
    return true;
}

HolderSelection::HolderSelection(platform::ui::Window* parent)
    : SkinPage(parent, "Folder Setting", {"Style Folder", "Output Folder", "Work Folder"}, false) {}

void HolderSelection::OnButton(int index) {
    char* fields[] = {AppSettings.StyleFolder, AppSettings.OutputFolder, AppSettings.WorkFolder};
    if (index < 1 || index > 3) return;
    char* field = fields[index - 1];
    constexpr std::size_t kCapacity = sizeof AppSettings.StyleFolder;
    const std::string current(field, strnlen(field, kCapacity));
    // The browser's own limit is generous; this field's is checked below.
    std::string chosen;
    if (BrowseForFolder(current, chosen, 4096, "Select a Folder!") != 1 || chosen.empty()) return;
    StoreFolder(chosen, field, kCapacity);
}
