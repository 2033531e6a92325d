#include "app/holder_selection_dialog.h"

#include "core/reporters.h"
#include "core/utilities.h"

bool StoreFolderSetting(FolderKind kind, const std::string& folder) {
    if (SetFolderSetting(kind, folder)) return true;
    std::string text = FolderSetting(kind);
    text += kFolderNotStoredNotice;
    ShowInfoBox(text);
    return false;
}

HolderSelection::HolderSelection(platform::ui::Window* parent)
    : SkinPage(parent, "Folder Setting", {"Style Folder", "Output Folder", "Work Folder"}, false) {}

void HolderSelection::OnButton(int index) {
    constexpr FolderKind kKinds[] = {FolderKind::Style, FolderKind::Output, FolderKind::Work};
    if (index < 1 || index > 3) return;
    const FolderKind kind = kKinds[index - 1];
    // The browser's limit is generous; a folder longer than the settings
    // file holds is still used for this run.
    std::string chosen;
    if (BrowseForFolder(FolderSetting(kind), chosen, 4096, "Select a Folder!") != 1 ||
        chosen.empty())
        return;
    StoreFolderSetting(kind, chosen);
}
