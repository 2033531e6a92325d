// The folders of the program: style, output and work folder, each chosen in
// the folder browser and stored with one trailing "/". A folder that does
// not fit its setting with the "/" leaves the setting as it was.
#pragma once

#include <cstddef>
#include <string>

#include "app/skin_page.h"

// Stores the folder with one trailing "/" into a char field of this
// capacity (terminator included); false, field untouched, when it does not fit.
bool StoreFolder(const std::string& folder, char* field, std::size_t capacity);

class HolderSelection : public SkinPage {
public:
    explicit HolderSelection(platform::ui::Window* parent = nullptr);

protected:
    void OnButton(int index) override;
};
