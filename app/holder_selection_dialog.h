// The folders of the program: style, output and work folder, each chosen in
// the folder browser and stored with one trailing "/". A folder too long for
// the settings file is used for this run, and the user is told once that the
// next start goes back to the folder's default.
#pragma once

#include <string>

#include "app/skin_page.h"
#include "core/settings.h"

// The notice shown after the folder's path.
constexpr const char* kFolderNotStoredNotice =
    "\nis too long to be kept in zaw.ini (255 bytes at most). It is used until the program "
    "ends; the next start uses the program folder.";

// Sets the folder; one notice naming it when the settings file cannot hold
// it. False in that case.
bool StoreFolderSetting(FolderKind kind, const std::string& folder);

class HolderSelection : public SkinPage {
public:
    explicit HolderSelection(platform::ui::Window* parent = nullptr);

protected:
    void OnButton(int index) override;
};
